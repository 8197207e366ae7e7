#include <vemora/commands/stCommandScript.h>

#include <vemora/foundation/utException.h>

namespace Vemora {

namespace {
constexpr const wchar_t* kInvalidScript = L"Invalid script!";
constexpr const wchar_t* kRefCount = L"refCount";
}  // namespace

// ---------------------------------------------------------------------------------------------
// Step

stCommandScriptStep_c::stCommandScriptStep_c(stXmlElement_c* element) { attach(element); }

stCommandScriptStep_c::stCommandScriptStep_c(const stCommandScriptStep_c& other)
    : stXmlDocListenerBase_c(other) {
    attach(other.element_);
}

stCommandScriptStep_c& stCommandScriptStep_c::operator=(const stCommandScriptStep_c& other) {
    if (this != &other) {
        detach();
        attach(other.element_);
    }
    return *this;
}

stCommandScriptStep_c::~stCommandScriptStep_c() { detach(); }

void stCommandScriptStep_c::attach(stXmlElement_c* element) {
    element_ = element;
    document_ = element ? element->getOwnerDocument() : nullptr;
    if (document_) document_->addListener(this);
}

void stCommandScriptStep_c::detach() {
    if (document_) document_->removeListener(this);
    document_ = nullptr;
    element_ = nullptr;
}

void stCommandScriptStep_c::onNodeRemoved(stXmlDocument_c*, stXmlNode_c* node) {
    if (node == element_) detach();
}

void stCommandScriptStep_c::onDocumentDestroyed(stXmlDocument_c*) {
    document_ = nullptr;
    element_ = nullptr;
}

void stCommandScriptStep_c::assertValid() const {
    if (!element_) throw stEngineException_c(kInvalidScript);
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

stCommandScript_c::stCommandScript_c(const stCommandScript_c& other)
    : stXmlDocListenerBase_c(other) {
    assign(other.element_);
}

stCommandScript_c& stCommandScript_c::operator=(const stCommandScript_c& other) {
    if (this != &other) assign(other.element_);
    return *this;
}

stCommandScript_c::~stCommandScript_c() {
    if (element_) releaseRef();
    detach();
}

void stCommandScript_c::attach(stXmlElement_c* element) {
    element_ = element;
    document_ = element ? element->getOwnerDocument() : nullptr;
    if (document_) document_->addListener(this);
}

void stCommandScript_c::detach() {
    if (document_) document_->removeListener(this);
    document_ = nullptr;
    element_ = nullptr;
}

void stCommandScript_c::assign(stXmlElement_c* element) {
    if (element == element_) return;
    if (element_) releaseRef();
    detach();
    attach(element);
    if (element_) addRef();
}

void stCommandScript_c::assertValid() const {
    if (!element_) throw stEngineException_c(kInvalidScript);
}

void stCommandScript_c::addRef() {
    assertValid();
    const int count = utString_c::parseInt(element_->getAttribute(kRefCount));
    element_->setAttribute(kRefCount, utString_c(count + 1));
}

void stCommandScript_c::releaseRef() {
    assertValid();
    const int count = utString_c::parseInt(element_->getAttribute(kRefCount));
    if (count > 1) {
        element_->setAttribute(kRefCount, utString_c(count - 1));
        return;
    }
    stXmlElement_c* const element = element_;
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

void stCommandScript_c::onNodeRemoved(stXmlDocument_c*, stXmlNode_c* node) {
    if (node == element_) detach();
}

void stCommandScript_c::onDocumentDestroyed(stXmlDocument_c*) {
    document_ = nullptr;
    element_ = nullptr;
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
