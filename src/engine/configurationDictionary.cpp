#include "engine/configurationDictionary.h"

#include <vemora/config/utDictionary.h>
#include <vemora/xml/stXmlNode.h>

#include <cwchar>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Vemora {

namespace {

// The entries of one dictionary level: key and type, nested dictionaries not walked.
class tmpEntryLister_c : public utDictionaryVisitor_c {
public:
    std::map<std::wstring, int> types;
    void beginDictionary(const utDictionary_c&) override {}
    void endDictionary() override {}
    bool visitValue(const wchar_t* key, const utValue_c& value) override {
        if (key) types[key] = value.getType();
        return false;
    }
};

std::map<std::wstring, int> entriesOf(const utDictionary_c& d) {
    tmpEntryLister_c lister;
    d.visit(lister);
    return lister.types;
}

bool same(const wchar_t* a, const wchar_t* b) { return a && b && std::wcscmp(a, b) == 0; }

// The value type the dictionary reader makes of an element, or the null type for one it skips.
int readerType(const stXmlElement_c& e) {
    const wchar_t* const type = e.getAttribute(L"type");
    if (same(type, L"bool")) return utValue_c::boolType;
    if (same(type, L"int")) return utValue_c::intType;
    if (same(type, L"double")) return utValue_c::doubleType;
    if (same(type, L"dictionary")) return utValue_c::dictionaryType;
    if (same(type, L"string")) return utValue_c::stringType;
    if (type && *type) return utValue_c::nullType;
    for (const stXmlNode_c* c = e.getFirstChild(); c; c = c->getNextSibling()) {
        if (c->getNodeType() == stXmlNode_c::ELEMENT_NODE) return utValue_c::nullType;
    }
    return utValue_c::stringType;
}

// Nested dictionaries come from files too: the depth the dictionary reader stops at.
constexpr int kMaxNesting = 256;

void prune(stXmlElement_c& element, const utDictionary_c& dictionary, int depth) {
    const std::map<std::wstring, int> entries = entriesOf(dictionary);
    std::set<std::wstring> kept;
    std::vector<stXmlElement_c*> stale;
    for (stXmlNode_c* c = element.getFirstChild(); c; c = c->getNextSibling()) {
        if (c->getNodeType() != stXmlNode_c::ELEMENT_NODE) continue;
        auto* const child = static_cast<stXmlElement_c*>(c);
        const std::wstring name = child->getTagName() ? child->getTagName() : L"";
        const auto entry = entries.find(name);
        const int type = readerType(*child);
        const bool hasEntry = entry != entries.end() && entry->second != utValue_c::nullType;
        if (type == utValue_c::nullType && !hasEntry) continue;  // not ours: kept as it is
        // The writer fills the first element of a key and the reader keeps the last one read:
        // one element per key, of the entry's type.
        if (!hasEntry || entry->second != type || !kept.insert(name).second) {
            stale.push_back(child);
            continue;
        }
        if (type == utValue_c::dictionaryType && depth < kMaxNesting) {
            const utDictionary_c* const nested = dictionary.getDictionary(name.c_str(), nullptr);
            if (nested) prune(*child, *nested, depth + 1);
        }
    }
    for (stXmlElement_c* e : stale) delete element.removeChild(e);
}

template <class Dictionary, class Action>
void forEachNested(Dictionary& d, Action action) {
    for (const auto& entry : entriesOf(d)) {
        if (entry.second != utValue_c::dictionaryType) continue;
        if (auto* nested = d.getDictionary(entry.first.c_str(), nullptr)) action(*nested);
    }
}

}  // namespace

bool dictionaryTreeChanged(const utDictionary_c& dictionary) {
    if (dictionary.changed()) return true;
    bool changed = false;
    forEachNested(dictionary, [&](const utDictionary_c& nested) {
        changed = changed || dictionaryTreeChanged(nested);
    });
    return changed;
}

void clearDictionaryTreeChanged(utDictionary_c& dictionary) {
    dictionary.setChanged(false);
    forEachNested(dictionary, [](utDictionary_c& nested) { clearDictionaryTreeChanged(nested); });
}

void writeDictionaryElement(stXmlElement_c& element, const utDictionary_c& dictionary) {
    prune(element, dictionary, 0);
    element.setDictionaryValue(L".", dictionary);
}

}  // namespace Vemora
