#include <vemora/xml/stXmlSax.h>

#include <cassert>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include "foundation/platform.h"

namespace Vemora {

// ---------------------------------------------------------------------------
// Small classes

stXmlSaxException_c::~stXmlSaxException_c() = default;

const wchar_t* stXmlSaxAttrList_c::nameAt(int i) const {
    assert(i >= 0 && i < count());
    return pairs_[size_t(i)].first;
}

const wchar_t* stXmlSaxAttrList_c::valueAt(int i) const {
    assert(i >= 0 && i < count());
    return pairs_[size_t(i)].second;
}

void stXmlSaxAttrList_c::append(const wchar_t* name, const wchar_t* value) {
    pairs_.emplace_back(utString_c(name), utString_c(value));
}

bool stXmlSaxAttrList_c::hasAttr(const wchar_t* name) const {
    if (!name) return false;
    for (const auto& p : pairs_) {
        if (p.first == name) return true;
    }
    return false;
}

const wchar_t* stXmlSaxAttrList_c::valueByName(const wchar_t* name,
                                               const wchar_t* defaultValue) const {
    if (!name) return defaultValue;
    for (const auto& p : pairs_) {
        if (p.first == name) return p.second;
    }
    return defaultValue;
}

stXmlSaxContentHandler_c::~stXmlSaxContentHandler_c() = default;
void stXmlSaxContentHandler_c::onStartElement(const wchar_t*, const stXmlSaxAttrList_c*) {}
void stXmlSaxContentHandler_c::onEndElement(const wchar_t*) {}
void stXmlSaxContentHandler_c::onProcessingInstruction(const wchar_t*, const stXmlSaxAttrList_c*) {}
void stXmlSaxContentHandler_c::onComments(const wchar_t*) {}
void stXmlSaxContentHandler_c::onCharacters(const wchar_t*, int, int) {}

stXmlSaxErrorHandler_c::~stXmlSaxErrorHandler_c() = default;
void stXmlSaxErrorHandler_c::onWarning(const wchar_t*, int, int) {}
void stXmlSaxErrorHandler_c::onError(const wchar_t*, int, int) {}
void stXmlSaxErrorHandler_c::onCriticalError(const wchar_t* message, int, int) {
    throw stXmlSaxException_c(message);
}

stXmlSaxEntityResolver_c::~stXmlSaxEntityResolver_c() = default;
void stXmlSaxEntityResolver_c::resolve(const wchar_t*, wchar_t**, bool*) {}

stXmlSaxParser_c::~stXmlSaxParser_c() = default;
stXmlSaxWriter_c::~stXmlSaxWriter_c() = default;

namespace {
// Stateless, so one instance serves every reader and writer.
stXmlSaxErrorHandler_c& defaultErrorHandler() {
    static stXmlSaxErrorHandler_c handler;
    return handler;
}

constexpr const wchar_t* kMismatchedCloseTag = L"Mismatche close tag!";
constexpr const wchar_t* kUnexpectedToken = L"Unexpected token!";
constexpr const wchar_t* kBadToken = L"Bad token!";
constexpr const wchar_t* kSkippedEntity = L"Entity is skiped! (EntityResolver is not implemented) ";
constexpr const wchar_t* kFatalParse = L"Fatal error in internalParse@stXmlSaxParserImpl_c";
constexpr const wchar_t* kFatalUnget = L"Fatal error in ungetChar@stXmlSaxParserImpl_c";
constexpr const wchar_t* kTooDeep = L"Elements nested too deeply!";
// Open elements beyond this many are a structural fault (the same limit as the document's).
constexpr size_t kMaxOpenElements = 10000;
}  // namespace

// ---------------------------------------------------------------------------
// Reader

class stXmlSaxParserImpl_c : public stXmlSaxParser_c {
public:
    void setContentHandler(stXmlSaxContentHandler_c* handler) override {
        content_ = handler ? handler : &idle_;
    }
    void setEntityResolver(stXmlSaxEntityResolver_c* resolver) override { resolver_ = resolver; }
    void setErrorHandler(stXmlSaxErrorHandler_c* handler) override {
        errors_ = handler ? handler : &defaultErrorHandler();
    }
    void parseString(const wchar_t* text, stXmlSaxContentHandler_c* handler) override;
    void parseFile(const wchar_t* path, stXmlSaxContentHandler_c* handler) override;

private:
    enum class Token {
        End,
        // content mode
        EndTagOpen,    // "</"
        PIOpen,        // "<?"
        CommentOpen,   // "<!--"
        StartTagOpen,  // "<"
        TagClose,      // ">"
        CommentClose,  // "-->"
        Text,
        // tag mode
        Quote,
        Equals,
        EmptyTagClose,  // "/>"
        PIClose,        // "?>"
        Name,
    };

    // Thrown internally to unwind to the top when the input ends inside an element; the
    // document then ends with the elements still open.
    struct tmpEndOfInput_c {};

    void run(stXmlSaxContentHandler_c* handler);
    void internalParse();

    // --- input
    wchar_t peek(size_t ahead = 0) const {
        return pos_ + ahead < input_.size() ? input_[pos_ + ahead] : L'\0';
    }
    bool atEnd() const { return pos_ >= input_.size(); }
    wchar_t getChar();
    void ungetChar();
    void skipSpace();

    // --- tokens
    Token contentToken(std::wstring& text);
    Token tagToken(std::wstring& text);
    void readAttributeValue(std::wstring& value);

    // --- grammar
    void parseContent();
    // Reads a start tag after its opener and reports it; true when the element stays open.
    bool parseStartTag(std::wstring& name);
    Token parseAttributes(stXmlSaxAttrList_c& attributes, bool instruction);
    void parseEndTag(const std::wstring& name);
    void parseComment();
    void parseInstruction();
    std::wstring replaceEntities(const std::wstring& text);

    void error(const wchar_t* message) { errors_->onError(message, line_, column_); }
    void critical(const wchar_t* message) { errors_->onCriticalError(message, line_, column_); }

    stXmlSaxContentHandler_c idle_;  // ignores everything; used while no handler is set
    stXmlSaxContentHandler_c* content_ = &idle_;
    stXmlSaxEntityResolver_c* resolver_ = nullptr;
    stXmlSaxErrorHandler_c* errors_ = &defaultErrorHandler();
    std::wstring input_;
    size_t pos_ = 0;
    int line_ = 0;
    int column_ = 0;
    bool used_ = false;
};

stXmlSaxParser_c* stXmlSaxParser_c::createParser(const wchar_t*) {
    return new stXmlSaxParserImpl_c();
}

void stXmlSaxParserImpl_c::parseString(const wchar_t* text, stXmlSaxContentHandler_c* handler) {
    assert(!used_ && "one input per reader");
    input_ = text ? text : L"";
    run(handler);
}

void stXmlSaxParserImpl_c::parseFile(const wchar_t* path, stXmlSaxContentHandler_c* handler) {
    assert(!used_ && "one input per reader");
    input_.clear();
    if (!platform::readTextFile(path, input_)) {
        line_ = column_ = 0;
        critical(kFatalParse);
        return;
    }
    run(handler);
}

void stXmlSaxParserImpl_c::run(stXmlSaxContentHandler_c* handler) {
    used_ = true;
    if (handler) content_ = handler;
    pos_ = 0;
    line_ = column_ = 0;
    try {
        internalParse();
    } catch (...) {
        // Whatever went wrong (a critical report, the content handler, memory), the input is
        // dropped and the caller learns of it through one fatal report.
        input_.clear();
        input_.shrink_to_fit();
        pos_ = 0;
        critical(kFatalParse);
        return;
    }
    input_.clear();
    input_.shrink_to_fit();
    pos_ = 0;
}

void stXmlSaxParserImpl_c::internalParse() {
    content_->onStartDocument();
    try {
        parseContent();
    } catch (const tmpEndOfInput_c&) {
    }
    content_->onEndDocument();
}

wchar_t stXmlSaxParserImpl_c::getChar() {
    if (atEnd()) return L'\0';
    const wchar_t c = input_[pos_++];
    if (c == L'\n') {
        ++line_;
        column_ = 0;
    } else if (c != L'\0') {
        ++column_;
    }
    return c;
}

void stXmlSaxParserImpl_c::ungetChar() {
    if (pos_ == 0) throw stXmlSaxException_c(kFatalUnget);
    const wchar_t c = input_[--pos_];
    if (c == L'\n') {
        --line_;
    } else if (c != L'\0' && column_ > 0) {
        --column_;
    }
}

void stXmlSaxParserImpl_c::skipSpace() {
    while (!atEnd() && std::iswspace(wint_t(peek()))) getChar();
}

stXmlSaxParserImpl_c::Token stXmlSaxParserImpl_c::contentToken(std::wstring& text) {
    text.clear();
    skipSpace();
    if (atEnd()) return Token::End;
    const wchar_t c = getChar();
    if (c == L'<') {
        if (peek() == L'/') {
            getChar();
            return Token::EndTagOpen;
        }
        if (peek() == L'?') {
            getChar();
            return Token::PIOpen;
        }
        if (peek() == L'!' && peek(1) == L'-' && peek(2) == L'-') {
            getChar();
            getChar();
            getChar();
            return Token::CommentOpen;
        }
        return Token::StartTagOpen;
    }
    if (c == L'>') return Token::TagClose;
    if (c == L'-' && peek() == L'-' && peek(1) == L'>') {
        getChar();
        getChar();
        return Token::CommentClose;
    }
    ungetChar();
    while (!atEnd()) {
        const wchar_t d = peek();
        if (d == L'<' || d == L'>' || (d == L'-' && peek(1) == L'-' && peek(2) == L'>')) break;
        text += getChar();
    }
    return Token::Text;
}

stXmlSaxParserImpl_c::Token stXmlSaxParserImpl_c::tagToken(std::wstring& text) {
    text.clear();
    skipSpace();
    if (atEnd()) return Token::End;
    const wchar_t c = getChar();
    switch (c) {
        case L'"':
            return Token::Quote;
        case L'=':
            return Token::Equals;
        case L'>':
            return Token::TagClose;
        case L'/':
            if (peek() == L'>') {
                getChar();
                return Token::EmptyTagClose;
            }
            break;
        case L'?':
            if (peek() == L'>') {
                getChar();
                return Token::PIClose;
            }
            break;
        default:
            break;
    }
    ungetChar();
    // A name ends at a token of its own or at white space (also a carriage return, so that files
    // with CR LF line ends read the same).
    while (!atEnd()) {
        const wchar_t d = peek();
        if (d == L'"' || d == L'=' || d == L'>' || std::iswspace(wint_t(d))) break;
        if ((d == L'/' || d == L'?') && peek(1) == L'>') break;
        text += getChar();
    }
    return Token::Name;
}

// After the opening double quote: everything up to the closing one, blanks, '=' and '>'
// included, so any value the writer wrote reads back whole. "&quot;" stands for a double quote
// inside the value; other text, entity references included, is taken unchanged.
void stXmlSaxParserImpl_c::readAttributeValue(std::wstring& value) {
    value.clear();
    while (true) {
        if (atEnd()) throw tmpEndOfInput_c();
        const wchar_t c = getChar();
        if (c == L'"') return;
        if (c == L'&' && input_.compare(pos_, 5, L"quot;") == 0) {
            for (int i = 0; i < 5; ++i) getChar();
            value += L'"';
        } else {
            value += c;
        }
    }
}

// Content up to the end of input or an end tag at top level. Open elements are kept on a stack
// of their own, so nesting depth costs no call stack.
void stXmlSaxParserImpl_c::parseContent() {
    std::vector<std::wstring> open;
    std::wstring text;
    while (true) {
        switch (contentToken(text)) {
            case Token::End:
                if (!open.empty()) throw tmpEndOfInput_c();
                return;
            case Token::EndTagOpen:
                if (open.empty()) return;
                parseEndTag(open.back());
                open.pop_back();
                break;
            case Token::StartTagOpen: {
                std::wstring name;
                if (!parseStartTag(name)) break;
                if (open.size() >= kMaxOpenElements) critical(kTooDeep);
                open.push_back(std::move(name));
                break;
            }
            case Token::CommentOpen:
                parseComment();
                break;
            case Token::PIOpen:
                parseInstruction();
                break;
            case Token::Text: {
                const std::wstring replaced = replaceEntities(text);
                content_->onCharacters(replaced.c_str(), 0, int(replaced.size()));
                break;
            }
            default:
                critical(kUnexpectedToken);
                break;
        }
    }
}

bool stXmlSaxParserImpl_c::parseStartTag(std::wstring& name) {
    Token tok = tagToken(name);
    while (tok != Token::Name) {
        if (tok == Token::End) throw tmpEndOfInput_c();
        error(kBadToken);
        tok = tagToken(name);
    }
    stXmlSaxAttrList_c attributes;
    const bool empty = parseAttributes(attributes, false) == Token::EmptyTagClose;
    content_->onStartElement(name.c_str(), &attributes);
    if (empty) content_->onEndElement(name.c_str());
    return !empty;
}

// Reads name="value" pairs up to the tag's closer, which it returns: ">" or "/>" for an element,
// "?>" for a processing instruction.
stXmlSaxParserImpl_c::Token stXmlSaxParserImpl_c::parseAttributes(stXmlSaxAttrList_c& attributes,
                                                                  bool instruction) {
    std::wstring name, text;
    auto isCloser = [instruction](Token t) {
        return instruction ? t == Token::PIClose
                           : (t == Token::TagClose || t == Token::EmptyTagClose);
    };
    Token tok = tagToken(name);
    while (true) {
        if (tok == Token::End) throw tmpEndOfInput_c();
        if (isCloser(tok)) return tok;
        if (tok != Token::Name) {
            error(kBadToken);
            tok = tagToken(name);
            continue;
        }
        tok = tagToken(text);
        if (tok != Token::Equals) {
            error(kBadToken);
            continue;
        }
        tok = tagToken(text);
        if (tok != Token::Quote) {
            error(kBadToken);
            continue;
        }
        readAttributeValue(text);
        attributes.append(name.c_str(), text.c_str());
        tok = tagToken(name);
    }
}

void stXmlSaxParserImpl_c::parseEndTag(const std::wstring& name) {
    std::wstring endName, text;
    Token tok = tagToken(endName);
    if (tok == Token::End) throw tmpEndOfInput_c();
    if (tok != Token::Name) {
        error(kBadToken);
        endName.clear();
    } else {
        tok = tagToken(text);
    }
    while (tok != Token::TagClose) {
        if (tok == Token::End) throw tmpEndOfInput_c();
        error(kBadToken);
        tok = tagToken(text);
    }
    if (endName != name) critical(kMismatchedCloseTag);
    content_->onEndElement(name.c_str());
}

void stXmlSaxParserImpl_c::parseComment() {
    std::wstring text;
    while (true) {
        const Token tok = contentToken(text);
        if (tok == Token::CommentClose) return;
        if (tok == Token::End) throw tmpEndOfInput_c();
        if (tok == Token::Text) {
            content_->onComments(text.c_str());
        } else {
            error(kBadToken);
        }
    }
}

void stXmlSaxParserImpl_c::parseInstruction() {
    std::wstring target;
    Token tok = tagToken(target);
    while (tok != Token::Name) {
        if (tok == Token::End) throw tmpEndOfInput_c();
        error(kBadToken);
        tok = tagToken(target);
    }
    stXmlSaxAttrList_c attributes;
    parseAttributes(attributes, true);
    content_->onProcessingInstruction(target.c_str(), &attributes);
}

std::wstring stXmlSaxParserImpl_c::replaceEntities(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const wchar_t c = text[i];
        const size_t semi = c == L'&' ? text.find(L';', i + 1) : std::wstring::npos;
        bool isReference = semi != std::wstring::npos && semi > i + 1;
        for (size_t k = i + 1; isReference && k < semi; ++k) {
            if (std::iswspace(wint_t(text[k])) || text[k] == L'&') isReference = false;
        }
        if (!isReference) {
            out += c;
            ++i;
            continue;
        }
        const std::wstring name = text.substr(i + 1, semi - i - 1);
        if (name == L"lt") {
            out += L'<';
        } else if (name == L"gt") {
            out += L'>';
        } else if (name == L"amp") {
            out += L'&';
        } else {
            error(kSkippedEntity);
        }
        i = semi + 1;
    }
    return out;
}

// ---------------------------------------------------------------------------
// Writer

class stXmlSaxWriterImpl_c : public stXmlSaxWriter_c {
public:
    ~stXmlSaxWriterImpl_c() override { closeOutput(); }

    void setErrorHandler(stXmlSaxErrorHandler_c* handler) override {
        errors_ = handler ? handler : &defaultErrorHandler();
    }
    void startDocument() override;
    void startElement(const wchar_t* name, const stXmlSaxAttrList_c* attributes) override;
    void characters(const wchar_t* text) override;
    void processingInstruction(const wchar_t* target,
                               const stXmlSaxAttrList_c* attributes) override;
    void comment(const wchar_t* text) override;
    void endElement() override;
    void endDocument() override;
    void openString(wchar_t* buffer, int capacity) override;
    bool openFile(const wchar_t* path) override;
    bool good() const override { return good_; }

private:
    // Text written in pieces of at most this many characters.
    static constexpr size_t kPiece = 2042;

    struct tmpFileCloser_c {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };

    bool isOpen() const { return file_ || buffer_; }
    void write(const std::wstring& text);
    void newlineAndIndent();
    void writeAttributes(const stXmlSaxAttrList_c* attributes);
    void closeOutput();

    stXmlSaxErrorHandler_c* errors_ = &defaultErrorHandler();
    std::unique_ptr<std::FILE, tmpFileCloser_c> file_;
    wchar_t* buffer_ = nullptr;  // string output, not owned
    size_t capacity_ = 0;
    size_t used_ = 0;
    std::vector<utString_c> open_;
    bool markup_ = false;  // the last thing written was markup, not character data
    bool good_ = true;
};

stXmlSaxWriter_c* stXmlSaxWriter_c::createWriter(const wchar_t*) {
    return new stXmlSaxWriterImpl_c();
}

bool stXmlSaxWriterImpl_c::openFile(const wchar_t* path) {
    closeOutput();
    file_.reset(platform::openFile(path, "w+b"));
    good_ = file_ != nullptr;
    return good_;
}

void stXmlSaxWriterImpl_c::openString(wchar_t* buffer, int capacity) {
    closeOutput();
    buffer_ = capacity > 0 ? buffer : nullptr;
    capacity_ = buffer_ ? size_t(capacity) : 0;
    used_ = 0;
    if (buffer_) buffer_[0] = L'\0';
    good_ = true;
}

void stXmlSaxWriterImpl_c::closeOutput() {
    if (file_) {
        if (std::ferror(file_.get())) good_ = false;
        if (std::fclose(file_.release()) != 0) good_ = false;
    }
    buffer_ = nullptr;
    open_.clear();
    markup_ = false;
}

void stXmlSaxWriterImpl_c::write(const std::wstring& text) {
    assert(isOpen() && "writing needs an open output");
    if (file_) {
        const std::string bytes = platform::toUtf8(text.c_str());
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) good_ = false;
    } else if (buffer_) {
        for (const wchar_t c : text) {
            if (used_ + 1 >= capacity_) break;
            buffer_[used_++] = c;
        }
        buffer_[used_] = L'\0';
    }
}

void stXmlSaxWriterImpl_c::newlineAndIndent() {
    write(L"\n" + std::wstring(2 * open_.size(), L' '));
}

void stXmlSaxWriterImpl_c::writeAttributes(const stXmlSaxAttrList_c* attributes) {
    if (!attributes) return;
    for (int i = 0; i < attributes->count(); ++i) {
        std::wstring pair = attributes->nameAt(i) ? attributes->nameAt(i) : L"";
        pair += L"=\"";
        // A double quote would end the value early; the reader turns this reference back.
        for (const wchar_t* v = attributes->valueAt(i); v && *v; ++v) {
            if (*v == L'"') {
                pair += L"&quot;";
            } else {
                pair += *v;
            }
        }
        pair += L"\" ";
        write(pair);
    }
}

void stXmlSaxWriterImpl_c::startDocument() {
    write(L"<?xml version=\"1.0\"?>");
    const std::wstring stamp =
        L"Written by stXmlSaxWriterImpl_c on " + platform::currentTimeStamp();
    comment(stamp.c_str());
}

void stXmlSaxWriterImpl_c::startElement(const wchar_t* name, const stXmlSaxAttrList_c* attributes) {
    newlineAndIndent();
    write(std::wstring(L"<") + (name ? name : L"") + L" ");
    writeAttributes(attributes);
    write(L">");
    open_.emplace_back(name ? name : L"");
    markup_ = false;
}

void stXmlSaxWriterImpl_c::characters(const wchar_t* text) {
    if (!text) return;
    std::wstring piece;
    for (; *text; ++text) {
        switch (*text) {
            case L'&':
                piece += L"&amp;";
                break;
            case L'<':
                piece += L"&lt;";
                break;
            case L'>':
                piece += L"&gt;";
                break;
            default:
                piece += *text;
                break;
        }
        if (piece.size() + 5 > kPiece) {
            write(piece);
            piece.clear();
        }
    }
    if (!piece.empty()) write(piece);
}

void stXmlSaxWriterImpl_c::processingInstruction(const wchar_t* target,
                                                 const stXmlSaxAttrList_c* attributes) {
    newlineAndIndent();
    write(std::wstring(L"<?") + (target ? target : L"") + L" ");
    writeAttributes(attributes);
    write(L"?>");
    markup_ = true;
}

void stXmlSaxWriterImpl_c::comment(const wchar_t* text) {
    newlineAndIndent();
    write(std::wstring(L"<!--") + (text ? text : L"") + L"-->");
    markup_ = true;
}

void stXmlSaxWriterImpl_c::endElement() {
    assert(!open_.empty() && "endElement without an open element");
    if (open_.empty()) return;
    const utString_c name = open_.back();
    open_.pop_back();
    if (markup_) newlineAndIndent();
    write(std::wstring(L"</") + static_cast<const wchar_t*>(name) + L">");
    markup_ = true;
}

void stXmlSaxWriterImpl_c::endDocument() {
    while (!open_.empty()) endElement();
    closeOutput();
}

}  // namespace Vemora
