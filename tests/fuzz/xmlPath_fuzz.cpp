// Any text as a path, evaluated in all three ways on a small document: a path either selects,
// creates or fails with "XPath", never crashes.
#include <vemora.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "foundation/platform.h"

using namespace Vemora;

namespace {
constexpr const wchar_t* kDocument =
    L"<Vemora version=\"1.1\"><Tool name=\"SPV\"><General><Description>d</Description></General>"
    L"<Processor id=\"1\"><Processor/></Processor><Processor id=\"2\">x<!--c--></Processor></Tool>"
    L"<Vector><Refiner><MergeGaps>true</MergeGaps></Refiner></Vector></Vemora>";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring path =
        platform::decodeUtf8OrLatin1(reinterpret_cast<const char*>(data), size);
    const std::unique_ptr<stXmlParser_c> parser(stXmlParser_c::createParser(nullptr));
    const std::unique_ptr<stXmlDocument_c> doc(parser->parseString(kDocument));
    if (!doc) __builtin_trap();
    stXmlElement_c* root = doc->getDocumentElement();
    try {
        const std::unique_ptr<stXmlNodeSet_c> set(root->selectNodes(path.c_str()));
        const stXmlNode_c* first = root->selectNode(path.c_str());
        if ((set->length() > 0) != (first != nullptr)) __builtin_trap();
        if (set->length() > 0 && set->item(0) != first) __builtin_trap();
        root->getIntValue(path.c_str());
        root->setValue(path.c_str(), L"v");
        utDictionary_c d;
        d.setInt(L"a", 1);
        root->setDictionaryValue(path.c_str(), d);
        root->getDictionaryValue(path.c_str(), d);
    } catch (const stXmlDOMException_c&) {
    }
    return 0;
}
