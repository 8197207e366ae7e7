#include <vemora/xml/stXmlParser.h>

#include "xml/stXmlNodeImpl.h"

namespace Vemora {

stXmlDOMImplementation_c::~stXmlDOMImplementation_c() = default;

stXmlDOMImplementation_c* stXmlDOMImplementation_c::createDOMImplementation(const wchar_t*) {
    static stXmlDOMImplementation_c implementation;
    return &implementation;
}

stXmlDocument_c* stXmlDOMImplementation_c::createDocument() const { return xmlNewDocument(); }

}  // namespace Vemora
