#pragma once

// Path evaluation and the dictionary form, used by the element implementation.

#include <vemora/xml/stXmlNode.h>

namespace Vemora {

// The three evaluations of a path from context. Failures other than compiling the path throw
// stXmlDOMException_c "XPath".
stXmlNodeSet_c* xmlSelectNodes(stXmlNode_c* context, const wchar_t* path);
stXmlNode_c* xmlSelectNode(stXmlNode_c* context, const wchar_t* path);
stXmlNode_c* xmlSelectOrCreateNode(stXmlNode_c* context, const wchar_t* path);

// The dictionary form below the element at path.
void xmlGetDictionary(stXmlNode_c* context, const wchar_t* path, utDictionary_c& dictionary);
void xmlSetDictionary(stXmlNode_c* context, const wchar_t* path, const utDictionary_c& dictionary);

}  // namespace Vemora
