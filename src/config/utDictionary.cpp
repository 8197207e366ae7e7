#include <vemora/config/utDictionary.h>
#include <vemora/foundation/utException.h>

#include <map>
#include <string>
#include <utility>

namespace Vemora {

// std::wstring orders code unit by code unit, which is the key order of the XML form too.
struct utDictionary_c::Map {
    std::map<std::wstring, utValue_c> entries;

    // The stored value of key; null when the key is null, absent or cannot even be looked up.
    utValue_c* find(const wchar_t* key) noexcept { return lookup(entries, key); }
    const utValue_c* find(const wchar_t* key) const noexcept { return lookup(entries, key); }

private:
    // Both finds, for a map of either constness.
    template <class Entries>
    static auto lookup(Entries& entries, const wchar_t* key) noexcept
        -> decltype(&entries.begin()->second) {
        if (!key) return nullptr;
        try {
            const auto it = entries.find(key);
            return it == entries.end() ? nullptr : &it->second;
        } catch (...) {
            return nullptr;
        }
    }
};

namespace {
constexpr const wchar_t* kNoMapGet = L"map_ is NULL @utDictionary_c::get";
constexpr const wchar_t* kNoMapSet = L"map_ is NULL @utDictionary_c::set";
constexpr const wchar_t* kNoMapDel = L"map_ is NULL @utDictionary_c::del";
constexpr const wchar_t* kNoMapClear = L"map_ is NULL @utDictionary_c::clear";
constexpr const wchar_t* kBadKey = L"Bad key @utDictionary_c::get";
constexpr const wchar_t* kSetFailed = L"Exception @utDictionary_c::set";
constexpr const wchar_t* kDelFailed = L"Exception @utDictionary_c::del";
constexpr const wchar_t* kClearFailed = L"Exception @utDictionary_c::clear";
}  // namespace

utDictionary_c::utDictionary_c() : map_(std::make_unique<Map>()) {}

utDictionary_c::utDictionary_c(const utDictionary_c& other)
    : changed_(other.changed_),
      map_(other.map_ ? std::make_unique<Map>(*other.map_) : std::make_unique<Map>()) {}

// The copy is complete before the old entries go, so other may be this dictionary or one nested
// in it.
utDictionary_c& utDictionary_c::operator=(const utDictionary_c& other) {
    auto copy = other.map_ ? std::make_unique<Map>(*other.map_) : std::make_unique<Map>();
    const bool changed = other.changed_;
    map_ = std::move(copy);
    owner_ = nullptr;
    changed_ = changed;
    return *this;
}

utDictionary_c::~utDictionary_c() = default;

const utValue_c& utDictionary_c::get(const wchar_t* key) const {
    if (!map_) throw utException_c(kNoMapGet);
    const utValue_c* value = std::as_const(*map_).find(key);
    if (!value) throw utException_c(kBadKey);
    return *value;
}

utValue_c& utDictionary_c::entry(const wchar_t* key) {
    if (!map_) throw utException_c(kNoMapGet);
    utValue_c* value = map_->find(key);
    if (!value) throw utException_c(kBadKey);
    return *value;
}

void utDictionary_c::set(const wchar_t* key, const utValue_c& value) {
    if (!map_) throw utException_c(kNoMapSet);
    if (!key) throw utException_c(kSetFailed);
    try {
        auto& entries = map_->entries;
        const auto [it, inserted] = entries.try_emplace(key);
        try {
            it->second = value;
        } catch (...) {
            if (inserted) entries.erase(it);  // a failed set leaves no trace
            throw;
        }
    } catch (...) {
        throw utException_c(kSetFailed);
    }
    changed_ = true;
}

void utDictionary_c::del(const wchar_t* key) {
    if (!map_) throw utException_c(kNoMapDel);
    if (!key) return;
    try {
        map_->entries.erase(key);
    } catch (...) {
        throw utException_c(kDelFailed);
    }
    changed_ = true;
}

void utDictionary_c::clear() {
    if (!map_) throw utException_c(kNoMapClear);
    try {
        map_->entries.clear();
    } catch (...) {
        throw utException_c(kClearFailed);
    }
    changed_ = true;
}

// The typed readers answer def for any failed lookup; they test for the key instead of paying for
// an exception on every absent one.
const wchar_t* utDictionary_c::getString(const wchar_t* key, const wchar_t* def) const {
    const utValue_c* value = map_ ? std::as_const(*map_).find(key) : nullptr;
    return value ? static_cast<const wchar_t*>(*value) : def;
}

int utDictionary_c::getInt(const wchar_t* key, int def) const {
    const utValue_c* value = map_ ? std::as_const(*map_).find(key) : nullptr;
    return value ? static_cast<int>(*value) : def;
}

double utDictionary_c::getDouble(const wchar_t* key, double def) const {
    const utValue_c* value = map_ ? std::as_const(*map_).find(key) : nullptr;
    return value ? static_cast<double>(*value) : def;
}

bool utDictionary_c::getBool(const wchar_t* key, bool def) const {
    const utValue_c* value = map_ ? std::as_const(*map_).find(key) : nullptr;
    return value ? static_cast<bool>(*value) : def;
}

utDictionary_c* utDictionary_c::getDictionary(const wchar_t* key, utDictionary_c* def) {
    utValue_c* value = map_ ? map_->find(key) : nullptr;
    return value ? static_cast<utDictionary_c*>(*value) : def;
}

const utDictionary_c* utDictionary_c::getDictionary(const wchar_t* key,
                                                    const utDictionary_c* def) const {
    const utValue_c* value = map_ ? std::as_const(*map_).find(key) : nullptr;
    return value ? static_cast<const utDictionary_c*>(*value) : def;
}

void utDictionary_c::setString(const wchar_t* key, const wchar_t* text) {
    set(key, utValue_c(text));
}

void utDictionary_c::setInt(const wchar_t* key, int v) { set(key, utValue_c(v)); }

void utDictionary_c::setDouble(const wchar_t* key, double v) { set(key, utValue_c(v)); }

void utDictionary_c::setBool(const wchar_t* key, bool v) { set(key, utValue_c(v)); }

void utDictionary_c::setDictionary(const wchar_t* key, const utDictionary_c* d) {
    utValue_c value;
    value.setDictionary(d);
    set(key, value);
    if (utDictionary_c* stored = entry(key)) stored->setOwner(this);
}

void utDictionary_c::visit(utDictionaryVisitor_c& visitor) const {
    visitor.beginDictionary(*this);
    if (map_) {
        const auto& entries = map_->entries;
        // Each step looks up the entry after the last key seen instead of keeping an iterator,
        // so a visitor that adds or deletes entries does not derail the walk.
        for (auto it = entries.begin(); it != entries.end();) {
            const std::wstring key = it->first;
            const utValue_c copy(it->second);
            if (visitor.visitValue(key.c_str(), copy)) {
                if (const utDictionary_c* nested = copy) nested->visit(visitor);
            }
            it = entries.upper_bound(key);
        }
    }
    visitor.endDictionary();
}

}  // namespace Vemora
