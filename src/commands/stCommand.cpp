#include <vemora/commands/stCommand.h>

namespace Vemora {

stCommand_c::~stCommand_c() = default;

stDescriptor_c* stCommand_c::desc() {
    static stDescriptor_c d(L"Command", nullptr, stConfigurable_c::desc(), nullptr);
    return &d;
}

stDescriptor_c* stCommand_c::isA() { return desc(); }

stXmlElement_c* stCommand_c::toXml(stXmlElement_c* element) const { return element; }

void stCommand_c::fromXml(stXmlElement_c*) {}

void stCommand_c::activate(stCommandContext_c&) {}

void stCommand_c::deactivate(stCommandContext_c&) {}

bool stCommand_c::isInProgress() const { return false; }

bool stCommand_c::applicable(stCommandContext_c&) const { return true; }

}  // namespace Vemora
