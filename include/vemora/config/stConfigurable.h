#pragma once

#include <vemora/foundation/utString.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

class stConfigurable_c;
class stXmlElement_c;

// The class record of a configurable: its registered name, a factory (none for an abstract class)
// and the record of its base class. One static instance per class; the engine's registry keeps
// pointers to them.
class VEMORA_API stDescriptor_c {
public:
    using Factory = stConfigurable_c* (*)();

    stDescriptor_c() = default;
    stDescriptor_c(const wchar_t* name, Factory factory, stDescriptor_c* parent,
                   const wchar_t* description);
    stDescriptor_c(const stDescriptor_c& other) = default;
    stDescriptor_c& operator=(const stDescriptor_c& other) = default;

    const wchar_t* name() const { return name_; }
    const wchar_t* description() const { return description_; }
    stDescriptor_c* parent() const { return parent_; }
    // A new object with its default properties, owned by the caller; null for an abstract class.
    stConfigurable_c* factory() const;
    // True when d is this descriptor or one of its ancestors.
    bool isDerivedFrom(const stDescriptor_c* d) const;

private:
    Factory factory_ = nullptr;
    stDescriptor_c* parent_ = nullptr;
    utString_c description_;
    utString_c name_;
};

// The base of everything that can be created by a registered name and read from an XML element.
// Properties are read from the element's children; a property whose element is missing reads as 0,
// false or 0.0. Writing a configurable to XML writes nothing: settings live in the configuration
// document itself.
class VEMORA_API stConfigurable_c {
public:
    virtual ~stConfigurable_c();
    // The descriptor of the object's most derived class. Overrides keep exactly this signature
    // (not const).
    virtual stDescriptor_c* isA();
    // Returns element unchanged.
    virtual stXmlElement_c* toXml(stXmlElement_c* element) const;
    virtual void fromXml(stXmlElement_c* element);

    // The root record "stConfigurable_c": no factory, no parent.
    static stDescriptor_c* desc();
    bool isKindOf(const stDescriptor_c* d);
};

}  // namespace Vemora
