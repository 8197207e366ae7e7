#pragma once

// Where documents come from: an empty one from the DOM implementation, a read one from the parser.

#include <vemora/foundation/vemoraApi.h>
#include <vemora/xml/stXmlNode.h>

namespace Vemora {

class VEMORA_API stXmlDOMImplementation_c {
public:
    // The process-wide implementation (stateless; not to be deleted). The argument is ignored.
    static stXmlDOMImplementation_c* createDOMImplementation(const wchar_t* name);

    // A new empty document, owned by the caller.
    virtual stXmlDocument_c* createDocument() const;

protected:
    stXmlDOMImplementation_c() = default;
    virtual ~stXmlDOMImplementation_c();
};

// Reads documents through the streaming reader. Characters of the file are read as UTF-8 where the
// bytes form it and as Latin-1 otherwise.
class VEMORA_API stXmlParser_c {
public:
    // A new parser, owned by the caller. The argument is ignored.
    static stXmlParser_c* createParser(const wchar_t* name);

    virtual ~stXmlParser_c();
    // A new document owned by the caller, or null when the file cannot be read as XML with a
    // root element (every failure is caught). The document starts unmodified.
    virtual stXmlDocument_c* parse(const wchar_t* path) = 0;
    // The same for a document held in a wide string.
    virtual stXmlDocument_c* parseString(const wchar_t* text) = 0;
};

}  // namespace Vemora
