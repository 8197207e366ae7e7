// The XML form of dictionaries: one child element per entry, named after the key, with a "type"
// attribute ("int", "double", "bool", "dictionary"; none for strings) and the value as text.

#include <vemora/config/utDictionary.h>
#include <vemora/foundation/utString.h>
#include <vemora/xml/stXmlNode.h>

#include <cwchar>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include "xml/stXmlPath.h"

namespace Vemora {

namespace {

constexpr const wchar_t* kType = L"type";

// Nested dictionaries deeper than this are not read: the dictionary code copies and walks nested
// values recursively, so a hostile file must not be able to ask for more.
constexpr int kMaxNesting = 256;

bool sameName(const wchar_t* a, const wchar_t* b) { return a && b && std::wcscmp(a, b) == 0; }

// A key becomes a tag name as it is, so it must read back as one tag name: not empty, and none of
// the characters that end a name or start other markup in the reader.
bool isWritableKey(const wchar_t* key) {
    if (!key || !*key) return false;
    if (*key == L'!' || *key == L'?' || *key == L'-') return false;
    for (const wchar_t* p = key; *p; ++p) {
        if (*p < 0x20 || std::iswspace(wint_t(*p)) || std::wcschr(L"<>\"=/?&", *p)) return false;
    }
    return true;
}

// The first child element named exactly key, or a new one appended to parent. A key is not a
// path: "A\B" names one element.
stXmlElement_c* childFor(stXmlElement_c& parent, const wchar_t* key) {
    for (stXmlNode_c* c = parent.getFirstChild(); c; c = c->getNextSibling()) {
        if (c->getNodeType() == stXmlNode_c::ELEMENT_NODE && sameName(c->getNodeName(), key))
            return dynamic_cast<stXmlElement_c*>(c);
    }
    std::unique_ptr<stXmlElement_c> child(parent.getOwnerDocument()->createElement(key));
    parent.appendChild(child.get());
    return child.release();
}

class tmpXmlDictionaryWriter_c : public utDictionaryVisitor_c {
public:
    explicit tmpXmlDictionaryWriter_c(stXmlElement_c* target) : current_(target) {}

    void beginDictionary(const utDictionary_c&) override { stack_.push_back(current_); }
    void endDictionary() override {
        if (!stack_.empty()) stack_.pop_back();
        current_ = stack_.empty() ? nullptr : stack_.back();
    }
    bool visitValue(const wchar_t* key, const utValue_c& value) override {
        const bool nested = value.getType() == utValue_c::dictionaryType &&
                            static_cast<const utDictionary_c*>(value) != nullptr;
        if (!current_ || !isWritableKey(key)) {
            if (nested) current_ = nullptr;  // the entries below have nowhere to go
            return true;
        }
        switch (value.getType()) {
            case utValue_c::intType:
                write(key, L"int", utString_c(int(value)));
                break;
            case utValue_c::doubleType:
                write(key, L"double", utString_c(double(value)));
                break;
            case utValue_c::boolType:
                write(key, L"bool", utString_c(bool(value)));
                break;
            case utValue_c::stringType:
                childFor(*current_, key)->setText(static_cast<const wchar_t*>(value));
                break;
            case utValue_c::dictionaryType: {
                stXmlElement_c* const child = childFor(*current_, key);
                child->setAttribute(kType, L"dictionary");
                // Without a dictionary there is no walk below, so nothing would bring the
                // current element back.
                if (nested) current_ = child;
                break;
            }
            default:  // null values are not stored
                break;
        }
        return true;
    }

private:
    void write(const wchar_t* key, const wchar_t* type, const utString_c& text) {
        stXmlElement_c* const child = childFor(*current_, key);
        child->setAttribute(kType, type);
        child->setText(text);
    }

    stXmlElement_c* current_;
    std::vector<stXmlElement_c*> stack_;
};

int typeOf(const stXmlElement_c& e) {
    const wchar_t* const type = e.getAttribute(kType);
    if (sameName(type, L"bool")) return utValue_c::boolType;
    if (sameName(type, L"int")) return utValue_c::intType;
    if (sameName(type, L"double")) return utValue_c::doubleType;
    if (sameName(type, L"dictionary")) return utValue_c::dictionaryType;
    if (sameName(type, L"string")) return utValue_c::stringType;
    if (type && *type) return utValue_c::nullType;
    for (const stXmlNode_c* c = e.getFirstChild(); c; c = c->getNextSibling()) {
        if (c->getNodeType() == stXmlNode_c::ELEMENT_NODE) return utValue_c::nullType;
    }
    return utValue_c::stringType;
}

// The element's text children joined, null when it has none.
utString_c textContent(const stXmlElement_c& e) {
    utString_c text;
    for (const stXmlNode_c* c = e.getFirstChild(); c; c = c->getNextSibling()) {
        if (c->getNodeType() == stXmlNode_c::TEXT_NODE) {
            text += utString_c(c->getNodeValue() ? c->getNodeValue() : L"");
            if (!static_cast<const wchar_t*>(text)) text = L"";
        }
    }
    return text;
}

void readEntries(const stXmlElement_c& from, utDictionary_c& into, int depth) {
    for (const stXmlNode_c* c = from.getFirstChild(); c; c = c->getNextSibling()) {
        const auto* const child = dynamic_cast<const stXmlElement_c*>(c);
        if (!child) continue;
        const wchar_t* const name = child->getTagName();
        switch (typeOf(*child)) {
            case utValue_c::boolType:
                into.setBool(name, utString_c::parseBool(textContent(*child)));
                break;
            case utValue_c::intType:
                into.setInt(name, utString_c::parseInt(textContent(*child)));
                break;
            case utValue_c::doubleType:
                into.setDouble(name, utString_c::parseDouble(textContent(*child)));
                break;
            case utValue_c::stringType:
                into.setString(name, textContent(*child));
                break;
            case utValue_c::dictionaryType:
                if (depth < kMaxNesting) {
                    utDictionary_c nested;
                    readEntries(*child, nested, depth + 1);
                    into.setDictionary(name, &nested);
                }
                break;
            default:
                break;
        }
    }
}

}  // namespace

void xmlSetDictionary(stXmlNode_c* context, const wchar_t* path, const utDictionary_c& dictionary) {
    auto* const target = dynamic_cast<stXmlElement_c*>(xmlSelectOrCreateNode(context, path));
    if (!target) return;
    tmpXmlDictionaryWriter_c writer(target);
    dictionary.visit(writer);
}

void xmlGetDictionary(stXmlNode_c* context, const wchar_t* path, utDictionary_c& dictionary) {
    const auto* const source = dynamic_cast<const stXmlElement_c*>(xmlSelectNode(context, path));
    if (source) readEntries(*source, dictionary, 0);
}

}  // namespace Vemora
