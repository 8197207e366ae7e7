#include <vemora/config/utDictionary.h>
#include <vemora/config/utValue.h>

#include <climits>
#include <cmath>

namespace Vemora {

namespace {
// Truncation toward zero, kept inside the int range so that huge or undefined reals read as the
// nearest integer instead of an arbitrary one.
int truncateToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

std::unique_ptr<utDictionary_c> copyOf(const utDictionary_c* d) {
    return d ? std::make_unique<utDictionary_c>(*d) : nullptr;
}
}  // namespace

utValue_c::utValue_c() = default;

utValue_c::utValue_c(int v) : type_(intType) { number_.i = v; }

utValue_c::utValue_c(double v) : type_(doubleType) { number_.d = v; }

utValue_c::utValue_c(bool v) : type_(boolType) { number_.b = v; }

utValue_c::utValue_c(const wchar_t* text) : type_(stringType), string_(text) {}

utValue_c::utValue_c(const utDictionary_c* d) : type_(dictionaryType), dictionary_(copyOf(d)) {}

utValue_c::utValue_c(const utValue_c& other) : type_(other.type_), number_(other.number_) {
    if (type_ == stringType) setString(other.string_);
    if (type_ == dictionaryType) setDictionary(other.dictionary_.get());
}

utValue_c::~utValue_c() = default;

utValue_c& utValue_c::operator=(const utValue_c& other) {
    if (this == &other) return *this;
    switch (other.type_) {
        case intType:
            setInt(other.number_.i);
            break;
        case doubleType:
            setDouble(other.number_.d);
            break;
        case boolType:
            setBool(other.number_.b);
            break;
        case stringType:
            setString(other.string_);
            break;
        case dictionaryType:
            setDictionary(other.dictionary_.get());
            break;
        default:
            break;  // a null (or object) source changes nothing
    }
    return *this;
}

void utValue_c::setInt(int v) {
    clear();
    type_ = intType;
    number_.i = v;
}

void utValue_c::setDouble(double v) {
    clear();
    type_ = doubleType;
    number_.d = v;
}

void utValue_c::setBool(bool v) {
    clear();
    type_ = boolType;
    number_.b = v;
}

// The copy is made before the old payload goes: text may point into this value's own text.
void utValue_c::setString(const wchar_t* text) {
    utString_c copy(text);
    clear();
    type_ = stringType;
    string_ = std::move(copy);
}

// As for setString: d may be this value's own dictionary or one nested inside it.
void utValue_c::setDictionary(const utDictionary_c* d) {
    std::unique_ptr<utDictionary_c> copy =
        d ? std::make_unique<utDictionary_c>(*d) : std::make_unique<utDictionary_c>();
    clear();
    type_ = dictionaryType;
    dictionary_ = std::move(copy);
}

void utValue_c::clear() {
    string_.clear();
    dictionary_.reset();
    text_.clear();
    number_ = {};
    type_ = nullType;
}

utValue_c::operator int() const {
    switch (type_) {
        case intType:
            return number_.i;
        case doubleType:
            return truncateToInt(number_.d);
        case stringType:
            return utString_c::parseInt(string_);
        case boolType:
            return number_.b ? 1 : 0;
        default:
            return 0;
    }
}

utValue_c::operator double() const {
    switch (type_) {
        case intType:
            return number_.i;
        case doubleType:
            return number_.d;
        case stringType:
            return utString_c::parseDouble(string_);
        case boolType:
            return number_.b ? 1.0 : 0.0;
        default:
            return 0.0;
    }
}

utValue_c::operator bool() const {
    switch (type_) {
        case nullType:
            return false;
        case intType:
            return number_.i != 0;
        case doubleType:
            return number_.d != 0.0;
        case stringType:
            return utString_c::parseBool(string_);
        case boolType:
            return number_.b;
        default:
            return true;  // object and dictionary
    }
}

// The text of a number is made once and kept until the payload changes, so every pointer handed
// out for this value stays valid as long as the value does not change.
utValue_c::operator const wchar_t*() const {
    if (type_ == stringType) return string_;
    const bool cached = static_cast<const wchar_t*>(text_) != nullptr;
    switch (type_) {
        case intType:
            if (!cached) text_ = utString_c(number_.i);
            return text_;
        case doubleType:
            if (!cached) text_ = utString_c(number_.d);
            return text_;
        case boolType:
            if (!cached) text_ = utString_c(number_.b);
            return text_;
        default:
            return nullptr;
    }
}

utValue_c::operator utDictionary_c*() {
    return type_ == dictionaryType ? dictionary_.get() : nullptr;
}

utValue_c::operator const utDictionary_c*() const {
    return type_ == dictionaryType ? dictionary_.get() : nullptr;
}

}  // namespace Vemora
