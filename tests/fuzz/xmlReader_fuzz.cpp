// Any bytes as a document: reading either yields a document or none, never a crash; a document
// that results can be copied, normalised, searched and taken apart.
#include <vemora.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "foundation/platform.h"

using namespace Vemora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text =
        platform::decodeUtf8OrLatin1(reinterpret_cast<const char*>(data), size);
    const std::unique_ptr<stXmlParser_c> parser(stXmlParser_c::createParser(nullptr));
    std::unique_ptr<stXmlDocument_c> doc(parser->parseString(text.c_str()));
    if (!doc) return 0;
    std::unique_ptr<stXmlNode_c> copy(doc->cloneNode(true));
    doc->normalize();
    stXmlElement_c* root = doc->getDocumentElement();
    const std::unique_ptr<stXmlNodeSet_c> all(root->selectNodes(L".\\\\*"));
    utDictionary_c dictionary;
    root->getDictionaryValue(L".", dictionary);
    return 0;
}
