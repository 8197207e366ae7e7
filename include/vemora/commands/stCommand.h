#pragma once

#include <vemora/config/stConfigurable.h>
#include <vemora/foundation/vemoraApi.h>
#include <vemora/xml/stXmlElementHandle.h>

namespace Vemora {

class stCommandContext_c;

// A light handle on one "Command" element of the configuration document: the command's name,
// group, description, icon file, implementing class and saved configuration, and the same texts
// per language under "Locales" (one element per language, named by its code, e.g. "de" or
// "en-US"). Once its element is removed or the document destroyed, using the handle throws
// stEngineException_c "Invalid tool definition!".
class VEMORA_API stCommandDefinition_c : public stXmlElementHandle_c {
public:
    stCommandDefinition_c() = default;
    explicit stCommandDefinition_c(stXmlElement_c* element) : stXmlElementHandle_c(element) {}

    const wchar_t* name() const;
    // Throws stEngineException_c "Invalid command name!" when the engine has a command of that
    // name (this one included).
    void setName(const wchar_t* name);
    const wchar_t* description() const;
    void setDescription(const wchar_t* text);
    const wchar_t* groupName() const;
    void setGroupName(const wchar_t* name);
    const wchar_t* bitmapFilePath() const;
    void setBitmapFilePath(const wchar_t* path);
    const wchar_t* className() const;
    void setClassName(const wchar_t* name);
    // The command's settings element ("Configuration"), made when missing.
    stXmlElement_c* configuration() const;

    // The texts in a language; a null language, or one without texts of its own, gives the main
    // texts. Setting a text in a language makes its element. A code that cannot name an element
    // (letters, digits, '-', '_' and '.', starting with a letter or '_') has no texts: reading
    // gives the main texts, and setting changes nothing.
    const wchar_t* localName(const wchar_t* lang) const;
    void setLocalName(const wchar_t* name, const wchar_t* lang);
    const wchar_t* localGroupName(const wchar_t* lang) const;
    void setLocalGroupName(const wchar_t* name, const wchar_t* lang);
    const wchar_t* localDescription(const wchar_t* lang) const;
    void setLocalDescription(const wchar_t* text, const wchar_t* lang);

private:
    // The element, or throws "Invalid tool definition!".
    stXmlElement_c* checked() const;
    // Where the texts of lang are read from: that language's element, else the definition's.
    stXmlElement_c* findLocale(const wchar_t* lang) const;
    // Where the texts of lang are written, made when missing; null for a code that cannot be a
    // tag.
    stXmlElement_c* makeLocale(const wchar_t* lang) const;
    // The first child element of parent (the definition's element when null) with that tag.
    stXmlElement_c* findChildElement(const wchar_t* name, const stXmlElement_c* parent) const;
    stXmlElement_c* makeChildElement(const wchar_t* name, stXmlElement_c* parent) const;
    const wchar_t* childText(const wchar_t* name, const stXmlElement_c* parent) const;
};

// The base of interactive commands. The library offers the framework; the command classes come
// from the host, which registers them with the engine (with this class's descriptor, "Command",
// as an ancestor) and has the engine create them from their definitions.
class VEMORA_API stCommand_c : public stConfigurable_c {
public:
    stCommand_c() = default;
    ~stCommand_c() override;

    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    // Returns element unchanged.
    stXmlElement_c* toXml(stXmlElement_c* element) const override;
    // Does nothing.
    void fromXml(stXmlElement_c* element) override;

    // What the command does; every concrete command supplies it.
    virtual void execute(stCommandContext_c& context) = 0;
    // The command becomes, or stops being, the active one of the context. Nothing by default.
    virtual void activate(stCommandContext_c& context);
    virtual void deactivate(stCommandContext_c& context);
    virtual bool isInProgress() const;
    virtual bool applicable(stCommandContext_c& context) const;

    // The definition the command was created from (invalid for one made directly).
    const stCommandDefinition_c& definition() const { return definition_; }
    // From the definition; throw as the definition does when it is invalid.
    const wchar_t* name() const { return definition_.name(); }
    const wchar_t* description() const { return definition_.description(); }

private:
    friend class stVMREngine_c;
    stCommandDefinition_c definition_;
};

}  // namespace Vemora
