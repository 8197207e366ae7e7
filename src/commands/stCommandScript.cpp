#include <vemora/commands/stCommandScript.h>

#include <vemora/foundation/utException.h>

namespace Vemora {

namespace {
constexpr const wchar_t* kInvalidScript = L"Invalid script!";
constexpr const wchar_t* kRefCount = L"refCount";
}  // namespace

// ---------------------------------------------------------------------------------------------
// Step

void stCommandScriptStep_c::assertValid() const {
    if (!valid()) throw stEngineException_c(kInvalidScript);
}

// Steps hold nothing yet: the script syntax is still to come.
int stCommandScriptStep_c::kind() const { return assertValid(), 0; }
const wchar_t* stCommandScriptStep_c::cmdName() const { return assertValid(), nullptr; }
int stCommandScriptStep_c::cmdArgCount() const { return assertValid(), 0; }
const wchar_t* stCommandScriptStep_c::cmdArg(int) const { return assertValid(), nullptr; }
const wchar_t* stCommandScriptStep_c::lvalue() const { return assertValid(), nullptr; }
const wchar_t* stCommandScriptStep_c::rvalue() const { return assertValid(), nullptr; }
const wchar_t* stCommandScriptStep_c::comments() const { return assertValid(), nullptr; }

// ---------------------------------------------------------------------------------------------
// Script

stCommandScriptVisitor_c::~stCommandScriptVisitor_c() = default;

stCommandScript_c::stCommandScript_c(stXmlElement_c* element) { assign(element); }

// A copy counts as one more holder, so it does not take the plain handle's copy.
stCommandScript_c::stCommandScript_c(const stCommandScript_c& other) : stXmlElementHandle_c() {
    assign(other.data());
}

stCommandScript_c& stCommandScript_c::operator=(const stCommandScript_c& other) {
    if (this != &other) assign(other.data());
    return *this;
}

stCommandScript_c::~stCommandScript_c() {
    if (valid()) releaseRef();
}

void stCommandScript_c::assign(stXmlElement_c* element) {
    if (element == data()) return;
    if (valid()) releaseRef();
    detach();
    attach(element);
    if (valid()) addRef();
}

void stCommandScript_c::assertValid() const {
    if (!valid()) throw stEngineException_c(kInvalidScript);
}

void stCommandScript_c::addRef() {
    assertValid();
    const int count = utString_c::parseInt(data()->getAttribute(kRefCount));
    data()->setAttribute(kRefCount, utString_c(count + 1));
}

void stCommandScript_c::releaseRef() {
    assertValid();
    const int count = utString_c::parseInt(data()->getAttribute(kRefCount));
    if (count > 1) {
        data()->setAttribute(kRefCount, utString_c(count - 1));
        return;
    }
    stXmlElement_c* const element = data();
    detach();
    // Other handles still on the element learn of the removal from the document.
    if (stXmlNode_c* parent = element->getParentNode()) delete parent->removeChild(element);
}

void stCommandScript_c::visit(stCommandScriptVisitor_c* visitor) {
    if (visitor) visitor->visitScript(*this);
}

int stCommandScript_c::countSteps() const { return assertValid(), 0; }

stCommandScriptStep_c stCommandScript_c::stepAt(int) const {
    assertValid();
    return stCommandScriptStep_c();
}

// ---------------------------------------------------------------------------------------------
// Parser

stCommandScript_c stCommandParser_c::parse(const wchar_t* text) {
    text_ = text;
    position_ = 0;
    return stCommandScript_c();
}

int stCommandParser_c::getNextToken() { return 0; }

void stCommandParser_c::ungetToken() {}

}  // namespace Vemora
