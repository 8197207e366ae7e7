#include <vemora/config/stConfigurable.h>

namespace Vemora {

stDescriptor_c::stDescriptor_c(const wchar_t* name, Factory factory, stDescriptor_c* parent,
                               const wchar_t* description)
    : factory_(factory), parent_(parent), description_(description), name_(name) {}

stConfigurable_c* stDescriptor_c::factory() const { return factory_ ? factory_() : nullptr; }

bool stDescriptor_c::isDerivedFrom(const stDescriptor_c* d) const {
    for (const stDescriptor_c* p = this; p; p = p->parent_) {
        if (p == d) return true;
    }
    return false;
}

stConfigurable_c::~stConfigurable_c() = default;

stDescriptor_c* stConfigurable_c::desc() {
    static stDescriptor_c descriptor(L"stConfigurable_c", nullptr, nullptr, nullptr);
    return &descriptor;
}

stDescriptor_c* stConfigurable_c::isA() { return desc(); }

stXmlElement_c* stConfigurable_c::toXml(stXmlElement_c* element) const { return element; }

void stConfigurable_c::fromXml(stXmlElement_c*) {}

bool stConfigurable_c::isKindOf(const stDescriptor_c* d) {
    const stDescriptor_c* own = isA();
    return own == d || (own->parent() && own->isDerivedFrom(d));
}

}  // namespace Vemora
