#include <vemora/commands/stCommand.h>

#include <vemora/engine/stVMREngine.h>
#include <vemora/foundation/utException.h>

#include <cwchar>
#include <memory>

namespace Vemora {

namespace {
constexpr const wchar_t* kInvalidDefinition = L"Invalid tool definition!";
constexpr const wchar_t* kInvalidName = L"Invalid command name!";

constexpr const wchar_t* kName = L"name";
constexpr const wchar_t* kGroupName = L"groupName";
constexpr const wchar_t* kClassName = L"className";
constexpr const wchar_t* kDescription = L"Description";
constexpr const wchar_t* kBitmapFilePath = L"BitmapFilePath";
constexpr const wchar_t* kConfiguration = L"Configuration";
constexpr const wchar_t* kLocales = L"Locales";

bool isAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

// A language code names its element as it is, so it must be a tag that reads back the same.
bool isLanguageTag(const wchar_t* lang) {
    if (!lang || !(isAsciiLetter(*lang) || *lang == L'_')) return false;
    for (const wchar_t* p = lang; *p; ++p) {
        const bool ok = isAsciiLetter(*p) || (*p >= L'0' && *p <= L'9') || *p == L'-' ||
                        *p == L'_' || *p == L'.';
        if (!ok) return false;
    }
    return true;
}
}  // namespace

stXmlElement_c* stCommandDefinition_c::checked() const {
    if (!valid()) throw stEngineException_c(kInvalidDefinition);
    return data();
}

stXmlElement_c* stCommandDefinition_c::findChildElement(const wchar_t* name,
                                                        const stXmlElement_c* parent) const {
    if (!parent) parent = checked();
    for (stXmlNode_c* n = parent->getFirstChild(); n; n = n->getNextSibling()) {
        if (n->getNodeType() != stXmlNode_c::ELEMENT_NODE) continue;
        auto* const e = static_cast<stXmlElement_c*>(n);
        if (e->getTagName() && std::wcscmp(e->getTagName(), name) == 0) return e;
    }
    return nullptr;
}

stXmlElement_c* stCommandDefinition_c::makeChildElement(const wchar_t* name,
                                                        stXmlElement_c* parent) const {
    if (stXmlElement_c* found = findChildElement(name, parent)) return found;
    if (!parent) parent = checked();
    std::unique_ptr<stXmlElement_c> made(parent->getOwnerDocument()->createElement(name));
    parent->appendChild(made.get());
    return made.release();
}

const wchar_t* stCommandDefinition_c::childText(const wchar_t* name,
                                                const stXmlElement_c* parent) const {
    const stXmlElement_c* const e = findChildElement(name, parent);
    return e ? e->getText() : nullptr;
}

stXmlElement_c* stCommandDefinition_c::findLocale(const wchar_t* lang) const {
    stXmlElement_c* const main = checked();
    if (!lang) return main;
    const stXmlElement_c* const locales = findChildElement(kLocales, main);
    stXmlElement_c* const own = locales ? findChildElement(lang, locales) : nullptr;
    return own ? own : main;
}

stXmlElement_c* stCommandDefinition_c::makeLocale(const wchar_t* lang) const {
    stXmlElement_c* const main = checked();
    if (!lang) return main;
    // Found and made by its exact tag: a path would read "en-US" as something else.
    if (!isLanguageTag(lang)) return nullptr;
    return makeChildElement(lang, makeChildElement(kLocales, main));
}

const wchar_t* stCommandDefinition_c::name() const { return checked()->getAttribute(kName); }

void stCommandDefinition_c::setName(const wchar_t* name) {
    stXmlElement_c* const e = checked();
    if (stVMREngine_c::getEngine().commandDefinitionByName(name).valid())
        throw stEngineException_c(kInvalidName);
    e->setAttribute(kName, name);
}

const wchar_t* stCommandDefinition_c::description() const {
    return childText(kDescription, nullptr);
}

void stCommandDefinition_c::setDescription(const wchar_t* text) {
    makeChildElement(kDescription, nullptr)->setText(text);
}

const wchar_t* stCommandDefinition_c::groupName() const {
    return checked()->getAttribute(kGroupName);
}

void stCommandDefinition_c::setGroupName(const wchar_t* name) {
    checked()->setAttribute(kGroupName, name);
}

const wchar_t* stCommandDefinition_c::bitmapFilePath() const {
    return childText(kBitmapFilePath, nullptr);
}

void stCommandDefinition_c::setBitmapFilePath(const wchar_t* path) {
    makeChildElement(kBitmapFilePath, nullptr)->setText(path);
}

const wchar_t* stCommandDefinition_c::className() const {
    return checked()->getAttribute(kClassName);
}

void stCommandDefinition_c::setClassName(const wchar_t* name) {
    checked()->setAttribute(kClassName, name);
}

stXmlElement_c* stCommandDefinition_c::configuration() const {
    return makeChildElement(kConfiguration, nullptr);
}

const wchar_t* stCommandDefinition_c::localName(const wchar_t* lang) const {
    return findLocale(lang)->getAttribute(kName);
}

void stCommandDefinition_c::setLocalName(const wchar_t* name, const wchar_t* lang) {
    if (stXmlElement_c* locale = makeLocale(lang)) locale->setAttribute(kName, name);
}

const wchar_t* stCommandDefinition_c::localGroupName(const wchar_t* lang) const {
    return findLocale(lang)->getAttribute(kGroupName);
}

void stCommandDefinition_c::setLocalGroupName(const wchar_t* name, const wchar_t* lang) {
    if (stXmlElement_c* locale = makeLocale(lang)) locale->setAttribute(kGroupName, name);
}

const wchar_t* stCommandDefinition_c::localDescription(const wchar_t* lang) const {
    return childText(kDescription, findLocale(lang));
}

void stCommandDefinition_c::setLocalDescription(const wchar_t* text, const wchar_t* lang) {
    if (stXmlElement_c* locale = makeLocale(lang))
        makeChildElement(kDescription, locale)->setText(text);
}

}  // namespace Vemora
