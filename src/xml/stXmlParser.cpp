#include <vemora/xml/stXmlParser.h>
#include <vemora/xml/stXmlSax.h>

#include <memory>
#include <string>
#include <vector>

#include "xml/stXmlDocumentAccess.h"

namespace Vemora {

stXmlParser_c::~stXmlParser_c() = default;

// Builds a document from the reader's events, keeping the open elements on a stack.
class stXmlReader_c : public stXmlSaxContentHandler_c {
public:
    explicit stXmlReader_c(stXmlDocument_c& document) : document_(document) {}

    void onStartElement(const wchar_t* name, const stXmlSaxAttrList_c* attributes) override {
        std::unique_ptr<stXmlElement_c> element(document_.createElement(name));
        for (int i = 0; attributes && i < attributes->count(); ++i)
            element->setAttribute(attributes->nameAt(i), attributes->valueAt(i));
        // Released only once inserted: a second top-level element is refused by the document.
        if (open_.empty()) {
            document_.appendChild(element.get());
        } else {
            open_.back()->appendChild(element.get());
        }
        open_.push_back(element.release());
    }
    void onEndElement(const wchar_t*) override {
        if (!open_.empty()) open_.pop_back();
    }
    void onCharacters(const wchar_t* text, int, int) override {
        if (!open_.empty()) append(document_.createTextNode(text));
    }
    void onComments(const wchar_t* text) override {
        if (!open_.empty()) append(document_.createComment(text));
    }
    // The pseudo-attributes are kept as the instruction's data, name="value" separated by
    // blanks, so that saving writes them again. Outside the root (the XML declaration) the
    // instruction is dropped.
    void onProcessingInstruction(const wchar_t* target,
                                 const stXmlSaxAttrList_c* attributes) override {
        if (open_.empty()) return;
        std::wstring data;
        for (int i = 0; attributes && i < attributes->count(); ++i) {
            if (i > 0) data += L' ';
            data += attributes->nameAt(i);
            data += L"=\"";
            for (const wchar_t* v = attributes->valueAt(i); *v; ++v) {
                if (*v == L'"') {
                    data += L"&quot;";
                } else {
                    data += *v;
                }
            }
            data += L'"';
        }
        append(document_.createProcessingInstruction(target, data.c_str()));
    }
    void onEndDocument() override {
        if (!open_.empty()) throw stXmlDOMException_c(L"HIERERANCHI");
    }

private:
    void append(stXmlNode_c* node) {
        std::unique_ptr<stXmlNode_c> owned(node);
        open_.back()->appendChild(owned.get());
        owned.release();
    }

    stXmlDocument_c& document_;
    std::vector<stXmlElement_c*> open_;  // not owned: they live in the document
};

class stXmlParserImpl_c : public stXmlParser_c {
public:
    stXmlDocument_c* parse(const wchar_t* path) override {
        return read(
            [path](stXmlSaxParser_c& sax, stXmlReader_c& reader) { sax.parseFile(path, &reader); });
    }
    stXmlDocument_c* parseString(const wchar_t* text) override {
        return read([text](stXmlSaxParser_c& sax, stXmlReader_c& reader) {
            sax.parseString(text, &reader);
        });
    }

private:
    template <class Parse>
    static stXmlDocument_c* read(Parse parse) {
        try {
            std::unique_ptr<stXmlDocument_c> document(
                stXmlDOMImplementation_c::createDOMImplementation(nullptr)->createDocument());
            stXmlReader_c reader(*document);
            const std::unique_ptr<stXmlSaxParser_c> sax(stXmlSaxParser_c::createParser(nullptr));
            parse(*sax, reader);
            // Without a root element there is nothing a caller could use or save back.
            if (!document->getDocumentElement()) return nullptr;
            xmlMarkUnmodified(*document);
            return document.release();
        } catch (...) {
            return nullptr;
        }
    }
};

stXmlParser_c* stXmlParser_c::createParser(const wchar_t*) { return new stXmlParserImpl_c(); }

}  // namespace Vemora
