#pragma once

#include <vemora/foundation/utString.h>
#include <vemora/foundation/vemoraApi.h>

#include <memory>

namespace Vemora {

class utDictionary_c;

// A loosely typed setting: nothing, an integer, a real, a text, a boolean or a nested dictionary.
// A value owns its text and its dictionary; every copy is deep. Each conversion operator turns any
// stored type into the requested one (an int 42 reads as the text "42", the text "12abc" as the
// integer 12), so readers never have to ask for the type first.
class VEMORA_API utValue_c {
public:
    // Type tags, as returned by getType(). No operation creates or reads objectType; the tag only
    // keeps its number in the list of type names.
    static constexpr int nullType = 0;
    static constexpr int intType = 1;
    static constexpr int doubleType = 2;
    static constexpr int stringType = 3;
    static constexpr int boolType = 4;
    static constexpr int objectType = 5;
    static constexpr int dictionaryType = 6;

    utValue_c();
    utValue_c(int v);
    utValue_c(double v);
    utValue_c(bool v);
    // Copies the text; a null pointer gives a string value whose text is null.
    utValue_c(const wchar_t* text);
    // Deep copy; a null pointer gives a dictionary value without a dictionary.
    utValue_c(const utDictionary_c* d);
    // A dictionary value without a dictionary copies as one holding an empty dictionary.
    utValue_c(const utValue_c& other);
    ~utValue_c();

    // Takes the type and a deep copy of other's payload; a null source leaves this value as it is.
    utValue_c& operator=(const utValue_c& other);

    // Each setter replaces the type and the payload.
    void setInt(int v);
    void setDouble(double v);
    void setBool(bool v);
    // Copies the text; null stores a string value whose text is null.
    void setString(const wchar_t* text);
    // Stores a deep copy of d; null stores a new empty dictionary.
    void setDictionary(const utDictionary_c* d);
    // Frees the payload and makes the value null.
    void clear();

    int getType() const { return type_; }
    bool isNull() const { return type_ == nullType; }

    // A real is truncated toward zero and clamped to the int range (NaN gives 0); a text is parsed
    // by utString_c::parseInt; null and dictionaries give 0.
    operator int() const;
    // A text is parsed by utString_c::parseDouble; null and dictionaries give 0.0.
    operator double() const;
    // Numbers are true when not zero, texts by utString_c::parseBool, dictionaries always true.
    operator bool() const;
    // The stored text of a string value; the decimal form of an int, 12 significant digits of a
    // real, "true" or "false" of a boolean; null for null and dictionary values. The text of a
    // number or boolean belongs to this value and stays valid until the value changes or dies.
    operator const wchar_t*() const;
    // The owned dictionary of a dictionary value (may be null); null for every other type.
    operator utDictionary_c*();
    operator const utDictionary_c*() const;

    // The same conversions on a non-const value. Without them a non-const value would prefer the
    // non-const dictionary pointer for a bool and turn true, 42 or "Yes" into false.
    operator int() { return static_cast<const utValue_c&>(*this); }
    operator double() { return static_cast<const utValue_c&>(*this); }
    operator bool() { return static_cast<const utValue_c&>(*this); }
    operator const wchar_t*() { return static_cast<const utValue_c&>(*this); }

private:
    int type_ = nullType;
    union {
        int i;
        double d;
        bool b;
    } number_{};
    utString_c string_;
    std::unique_ptr<utDictionary_c> dictionary_;
    // The string form of a number or boolean, made on request.
    mutable utString_c text_;
};

}  // namespace Vemora
