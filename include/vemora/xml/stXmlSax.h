#pragma once

// The streaming (event-based) XML reader and writer. They handle the subset of XML the
// configuration needs: elements, attributes in double quotes, character data with the entities
// "lt", "gt" and "amp", comments and processing instructions.

#include <vemora/foundation/utString.h>
#include <vemora/foundation/vemoraApi.h>

#include <utility>
#include <vector>

namespace Vemora {

// Thrown by the reader (through the default error handler) and by its input buffer.
class VEMORA_API stXmlSaxException_c {
public:
    stXmlSaxException_c(const wchar_t* description) : description_(description) {}
    virtual ~stXmlSaxException_c();

    const wchar_t* description() const { return description_; }

private:
    utString_c description_;
};

// An ordered list of (name, value) pairs, as read from or written to a tag.
class VEMORA_API stXmlSaxAttrList_c {
public:
    int count() const { return int(pairs_.size()); }
    // i must be below count().
    const wchar_t* nameAt(int i) const;
    const wchar_t* valueAt(int i) const;
    void append(const wchar_t* name, const wchar_t* value);
    void clear() { pairs_.clear(); }
    bool isEmpty() const { return pairs_.empty(); }
    // Exact, case-sensitive comparison of names.
    bool hasAttr(const wchar_t* name) const;
    // The value of the first pair named `name`, or `defaultValue`.
    const wchar_t* valueByName(const wchar_t* name, const wchar_t* defaultValue) const;

private:
    std::vector<std::pair<utString_c, utString_c>> pairs_;
};

// Receives the reader's events; every callback does nothing unless overridden.
class VEMORA_API stXmlSaxContentHandler_c {
public:
    virtual ~stXmlSaxContentHandler_c();
    virtual void onStartDocument() {}
    virtual void onStartElement(const wchar_t* name, const stXmlSaxAttrList_c* attributes);
    virtual void onEndElement(const wchar_t* name);
    virtual void onProcessingInstruction(const wchar_t* target,
                                         const stXmlSaxAttrList_c* attributes);
    virtual void onComments(const wchar_t* text);
    // start is always 0 and length the length of text.
    virtual void onCharacters(const wchar_t* text, int start, int length);
    virtual void onEndDocument() {}
};

// Receives problems found while reading. Recoverable ones go to onError and reading goes on;
// structural ones go to onCriticalError, which by default throws stXmlSaxException_c with the
// message. onWarning is not called by the reader.
class VEMORA_API stXmlSaxErrorHandler_c {
public:
    virtual ~stXmlSaxErrorHandler_c();
    virtual void onWarning(const wchar_t* message, int line, int column);
    virtual void onError(const wchar_t* message, int line, int column);
    virtual void onCriticalError(const wchar_t* message, int line, int column);
};

// Resolution of further entities; not called by the reader.
class VEMORA_API stXmlSaxEntityResolver_c {
public:
    virtual ~stXmlSaxEntityResolver_c();
    virtual void resolve(const wchar_t* name, wchar_t** value, bool* handled);
};

// The reader. Handlers are not owned. One input per reader.
class VEMORA_API stXmlSaxParser_c {
public:
    // A new reader, owned by the caller; the argument is ignored.
    static stXmlSaxParser_c* createParser(const wchar_t* name);

    virtual ~stXmlSaxParser_c();
    virtual void setContentHandler(stXmlSaxContentHandler_c* handler) = 0;
    virtual void setEntityResolver(stXmlSaxEntityResolver_c* resolver) = 0;
    // Null restores the shared default handler.
    virtual void setErrorHandler(stXmlSaxErrorHandler_c* handler) = 0;
    // A non-null handler replaces the content handler. When the input cannot be parsed the error
    // handler's onCriticalError receives "Fatal error in internalParse@stXmlSaxParserImpl_c"
    // (with the default handler: thrown as stXmlSaxException_c).
    virtual void parseString(const wchar_t* text, stXmlSaxContentHandler_c* handler) = 0;
    // The file's bytes are read as UTF-8 where they form it and as Latin-1 otherwise; a byte 0xFF
    // ends the input. A file that cannot be opened is a fatal error as above.
    virtual void parseFile(const wchar_t* path, stXmlSaxContentHandler_c* handler) = 0;
};

// The writer: indented XML text, characters above 0x7F encoded as UTF-8.
class VEMORA_API stXmlSaxWriter_c {
public:
    // A new writer, owned by the caller; the argument is ignored.
    static stXmlSaxWriter_c* createWriter(const wchar_t* name);

    virtual ~stXmlSaxWriter_c();
    // Not owned; null restores the shared default handler.
    virtual void setErrorHandler(stXmlSaxErrorHandler_c* handler) = 0;
    // The XML declaration and a comment with the time of writing.
    virtual void startDocument() = 0;
    virtual void startElement(const wchar_t* name, const stXmlSaxAttrList_c* attributes) = 0;
    // Text with &, < and > written as entity references.
    virtual void characters(const wchar_t* text) = 0;
    virtual void processingInstruction(const wchar_t* target,
                                       const stXmlSaxAttrList_c* attributes) = 0;
    virtual void comment(const wchar_t* text) = 0;
    virtual void endElement() = 0;
    // Closes every open element and releases the output.
    virtual void endDocument() = 0;
    // Collects the output in buffer (capacity characters including the terminating zero; longer
    // output is cut). The buffer is not owned and must outlive the writing.
    virtual void openString(wchar_t* buffer, int capacity) = 0;
    // False when the file cannot be created.
    virtual bool openFile(const wchar_t* path) = 0;
    // False once writing to the output has failed (for example a full disk).
    virtual bool good() const = 0;
};

}  // namespace Vemora
