#pragma once

#include <vemora/config/utValue.h>
#include <vemora/foundation/vemoraApi.h>

#include <memory>

namespace Vemora {

class utDictionary_c;

// Walks a dictionary, entry by entry in ascending key order, and through nested dictionaries.
class VEMORA_API utDictionaryVisitor_c {
public:
    virtual ~utDictionaryVisitor_c() = default;
    // The walk of d starts.
    virtual void beginDictionary(const utDictionary_c& d) = 0;
    // One entry. Returning true lets the walk descend into value when it holds a dictionary.
    virtual bool visitValue(const wchar_t* key, const utValue_c& value) = 0;
    // The walk of the dictionary last begun ends.
    virtual void endDictionary() = 0;
};

// An ordered map from wide-string keys to values, compared code unit by code unit. A backslash in
// a key is an ordinary character: "A\B" is one flat key, not a path. The changed flag records any
// successful set, del or clear until setChanged(false); a change inside a nested dictionary marks
// only that dictionary. Storage formats stay outside: a writer walks the dictionary with visit(),
// a reader fills it through the typed setters.
class VEMORA_API utDictionary_c {
public:
    utDictionary_c();
    // The copy has no owner, the source's changed flag and deep copies of its entries.
    utDictionary_c(const utDictionary_c& other);
    // Drops the owner, replaces every entry by deep copies of other's and takes its changed flag.
    utDictionary_c& operator=(const utDictionary_c& other);
    virtual ~utDictionary_c();

    // The stored value; throws utException_c "Bad key @utDictionary_c::get" when key is absent
    // or null.
    const utValue_c& get(const wchar_t* key) const;
    // Assigns value to the entry of key, creating a null entry first when the key is new. A null
    // value therefore never overwrites an existing entry. Throws utException_c
    // "Exception @utDictionary_c::set" when that fails (a null key, no memory).
    void set(const wchar_t* key, const utValue_c& value);
    // Removes the entry of key if there is one; a null key does nothing at all.
    void del(const wchar_t* key);
    void clear();

    // Typed readers: the stored value converted as utValue_c converts it, or def when the key is
    // absent. A present entry never yields def: getString of a null entry gives null. A text
    // from getString stays valid until its entry changes or goes.
    const wchar_t* getString(const wchar_t* key, const wchar_t* def) const;
    int getInt(const wchar_t* key, int def) const;
    double getDouble(const wchar_t* key, double def) const;
    bool getBool(const wchar_t* key, bool def) const;
    // The nested dictionary of a dictionary entry (owned by the entry), null when the entry holds
    // another type, def when the key is absent.
    utDictionary_c* getDictionary(const wchar_t* key, utDictionary_c* def);
    const utDictionary_c* getDictionary(const wchar_t* key, const utDictionary_c* def) const;

    // Typed writers, through set().
    void setString(const wchar_t* key, const wchar_t* text);
    void setInt(const wchar_t* key, int v);
    void setDouble(const wchar_t* key, double v);
    void setBool(const wchar_t* key, bool v);
    // Stores a deep copy of d (an empty dictionary when d is null) owned by this dictionary.
    void setDictionary(const wchar_t* key, const utDictionary_c* d);

    // The dictionary holding this one as a nested value, or null. Not owned.
    utDictionary_c* owner() const { return owner_; }
    void setOwner(utDictionary_c* owner) { owner_ = owner; }
    bool changed() const { return changed_; }
    void setChanged(bool changed) { changed_ = changed; }

    // beginDictionary(*this), visitValue for a copy of each entry in ascending key order, with a
    // nested walk of the copy's dictionary when visitValue answers true, then endDictionary().
    // The visitor may change this dictionary meanwhile: the walk goes on after the last key seen.
    void visit(utDictionaryVisitor_c& visitor) const;

protected:
    // The stored value, for changing it in place; the same failures as get().
    utValue_c& entry(const wchar_t* key);

private:
    struct Map;

    utDictionary_c* owner_ = nullptr;
    bool changed_ = false;
    std::unique_ptr<Map> map_;
};

}  // namespace Vemora
