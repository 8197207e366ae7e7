// A path to create, optionally after a document: the text after the last line feed is the path,
// the text before it the document (a small tool document when there is no line feed). Making a
// node either succeeds with a node of the document and a few new nodes at most, or changes
// nothing at all: no node, no attribute, no modification flag, no listener call.
#include <vemora.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "foundation/platform.h"
#include "xmlSnapshot.h"

using namespace Vemora;
using vemora_test::xmlSnapshot;

namespace {
constexpr const wchar_t* kDocument =
    L"<Vemora version=\"1.1\"><Tool name=\"SPV\"><General><Description>d</Description></General>"
    L"<Processor id=\"1\"><Processor/></Processor><Processor id=\"2\">x<!--c--></Processor></Tool>"
    L"<Vector><Refiner><MergeGaps>true</MergeGaps></Refiner></Vector></Vemora>";

bool inDocument(const stXmlNode_c* n, const stXmlDocument_c* doc) {
    if (const auto* attr = dynamic_cast<const stXmlAttr_c*>(n)) {
        const stXmlElement_c* owner = attr->getOwnerElement();
        if (!owner || owner->getAttributeNode(attr->getName()) != attr) return false;
        n = owner;
    }
    while (n && n != doc) n = n->getParentNode();
    return n == doc;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text =
        platform::decodeUtf8OrLatin1(reinterpret_cast<const char*>(data), size);
    const size_t split = text.rfind(L'\n');
    const std::wstring path = split == std::wstring::npos ? text : text.substr(split + 1);
    const std::wstring source = split == std::wstring::npos ? kDocument : text.substr(0, split);
    const std::unique_ptr<stXmlParser_c> parser(stXmlParser_c::createParser(nullptr));
    const std::unique_ptr<stXmlDocument_c> doc(parser->parseString(source.c_str()));
    if (!doc) return 0;
    stXmlElement_c* const root = doc->getDocumentElement();
    vemora_test::tmpCountingXmlListener_c listener;
    doc->addListener(&listener);

    long before = 0, after = 0;
    const std::wstring original = xmlSnapshot(root, &before);
    const stXmlNode_c* existing = nullptr;
    bool failed = false;
    try {
        existing = root->selectNode(path.c_str());
    } catch (const stXmlDOMException_c&) {
        failed = true;
    }
    stXmlNode_c* made = nullptr;
    try {
        made = root->selectOrCreateNode(path.c_str());
    } catch (const stXmlDOMException_c&) {
        failed = true;
    }
    const std::wstring changed = xmlSnapshot(root, &after);
    if (failed || !made || existing) {
        if (changed != original || doc->isModified() || listener.calls != 0) __builtin_trap();
        if (existing && !failed && made != existing) __builtin_trap();
    } else {
        // Each step makes one node at most (a star or parent step none), and every step after
        // the first starts with a backslash.
        const long steps = 1 + long(std::count(path.begin(), path.end(), L'\\'));
        if (!inDocument(made, doc.get()) || after < before || after - before > steps)
            __builtin_trap();
    }

    try {
        root->setValue(path.c_str(), L"v");
        root->getValue(path.c_str());
    } catch (const stXmlDOMException_c&) {
    }
    doc->removeListener(&listener);
    return 0;
}
