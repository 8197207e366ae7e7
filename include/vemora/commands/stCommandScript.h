#pragma once

// Command scripts. This version keeps the shape only: scripts count their users in their element,
// steps describe one command call or assignment, and the parser reads nothing yet.

#include <vemora/foundation/utString.h>
#include <vemora/foundation/vemoraApi.h>
#include <vemora/xml/stXmlElementHandle.h>

namespace Vemora {

class stCommandScript_c;

// One step of a script: a command call with its arguments, or an assignment.
class VEMORA_API stCommandScriptStep_c : public stXmlElementHandle_c {
public:
    stCommandScriptStep_c() = default;
    explicit stCommandScriptStep_c(stXmlElement_c* element) : stXmlElementHandle_c(element) {}

    // Each throws stEngineException_c "Invalid script!" on an invalid step.
    int kind() const;
    const wchar_t* cmdName() const;
    int cmdArgCount() const;
    const wchar_t* cmdArg(int i) const;
    const wchar_t* lvalue() const;
    const wchar_t* rvalue() const;
    const wchar_t* comments() const;

    // Throws stEngineException_c "Invalid script!" when the step has no element.
    void assertValid() const;
};

// Receives a script walked with stCommandScript_c::visit.
class VEMORA_API stCommandScriptVisitor_c {
public:
    virtual ~stCommandScriptVisitor_c();
    virtual void visitScript(stCommandScript_c& script) = 0;
};

// A handle on a script element. Every handle holding the element counts in its "refCount"
// attribute; the element is removed from its parent and deleted when the last one lets go.
class VEMORA_API stCommandScript_c : public stXmlElementHandle_c {
public:
    stCommandScript_c() = default;
    // Holds element (counted).
    explicit stCommandScript_c(stXmlElement_c* element);
    stCommandScript_c(const stCommandScript_c& other);
    stCommandScript_c& operator=(const stCommandScript_c& other);
    // Lets go of the element (releaseRef).
    ~stCommandScript_c() override;

    // Lets go of the element held and holds element instead (null: none).
    void assign(stXmlElement_c* element);
    // Count one more holder in "refCount" (missing or not a number counts 0).
    void addRef();
    // Count one holder less; at one or below the element goes (deleted when it has a parent) and
    // this handle holds none.
    void releaseRef();
    // Hands the script to the visitor; null is ignored.
    void visit(stCommandScriptVisitor_c* visitor);
    int countSteps() const;
    stCommandScriptStep_c stepAt(int i) const;

    // Throws stEngineException_c "Invalid script!" when the script has no element.
    void assertValid() const;
};

// Reads scripts from text. Holds the text and a read position.
class VEMORA_API stCommandParser_c {
public:
    // An empty script in this version.
    stCommandScript_c parse(const wchar_t* text);
    // 0: no token.
    int getNextToken();
    void ungetToken();

private:
    utString_c text_;
    int position_ = 0;
};

}  // namespace Vemora
