#include <gtest/gtest.h>
#include <vemora.h>

#include <memory>
#include <string>
#include <vector>

#include "xmlTestFiles.h"

using namespace Vemora;

namespace {

// Records the reader's events as short lines.
struct tmpRecorder_c : stXmlSaxContentHandler_c {
    std::vector<std::wstring> events;

    static std::wstring attrs(const stXmlSaxAttrList_c* a) {
        std::wstring s;
        for (int i = 0; a && i < a->count(); ++i)
            s += std::wstring(L" ") + a->nameAt(i) + L"=[" + a->valueAt(i) + L"]";
        return s;
    }
    void onStartDocument() override { events.push_back(L"begin"); }
    void onStartElement(const wchar_t* name, const stXmlSaxAttrList_c* a) override {
        events.push_back(std::wstring(L"<") + name + attrs(a));
    }
    void onEndElement(const wchar_t* name) override { events.push_back(std::wstring(L"/") + name); }
    void onProcessingInstruction(const wchar_t* target, const stXmlSaxAttrList_c* a) override {
        events.push_back(std::wstring(L"?") + target + attrs(a));
    }
    void onComments(const wchar_t* text) override { events.push_back(std::wstring(L"!") + text); }
    void onCharacters(const wchar_t* text, int start, int length) override {
        EXPECT_EQ(start, 0);
        EXPECT_EQ(length, int(std::wcslen(text)));
        events.push_back(std::wstring(L"'") + text + L"'");
    }
    void onEndDocument() override { events.push_back(L"end"); }
};

// Collects recoverable errors and, unlike the default handler, does not throw on critical ones.
struct tmpErrorLog_c : stXmlSaxErrorHandler_c {
    std::vector<std::wstring> errors, critical;
    void onError(const wchar_t* message, int, int) override { errors.push_back(message); }
    void onCriticalError(const wchar_t* message, int, int) override { critical.push_back(message); }
};

std::vector<std::wstring> readString(const wchar_t* text,
                                     stXmlSaxErrorHandler_c* errors = nullptr) {
    tmpRecorder_c recorder;
    const std::unique_ptr<stXmlSaxParser_c> parser(stXmlSaxParser_c::createParser(nullptr));
    parser->setErrorHandler(errors);
    parser->parseString(text, &recorder);
    return recorder.events;
}

using Events = std::vector<std::wstring>;

}  // namespace

TEST(stXmlSaxAttrListTest, KeepsOrderAndFindsByExactName) {
    stXmlSaxAttrList_c list;
    EXPECT_TRUE(list.isEmpty());
    list.append(L"b", L"2");
    list.append(L"a", L"1");
    list.append(L"b", L"3");
    ASSERT_EQ(list.count(), 3);
    EXPECT_STREQ(list.nameAt(0), L"b");
    EXPECT_STREQ(list.valueAt(2), L"3");
    EXPECT_TRUE(list.hasAttr(L"a"));
    EXPECT_FALSE(list.hasAttr(L"A"));
    EXPECT_STREQ(list.valueByName(L"b", L"x"), L"2");
    EXPECT_STREQ(list.valueByName(L"c", L"x"), L"x");
    list.clear();
    EXPECT_TRUE(list.isEmpty());
}

TEST(stXmlSaxParserTest, ReportsEventsInDocumentOrder) {
    struct Row {
        const char* name;
        const wchar_t* text;
        Events events;
    };
    const Row rows[] = {
        {"declaration and nested elements",
         L"<?xml version=\"1.0\"?>\n<a x=\"1\" y=\"two\">\n  <b/>\n  <c>t</c>\n</a>",
         {L"begin", L"?xml version=[1.0]", L"<a x=[1] y=[two]", L"<b", L"/b", L"<c", L"'t'", L"/c",
          L"/a", L"end"}},
        {"leading blanks of text are skipped, trailing kept",
         L"<a>  ab </a>",
         {L"begin", L"<a", L"'ab '", L"/a", L"end"}},
        {"white space between tags gives no event",
         L"<a>\n\t <b></b>\n</a>",
         {L"begin", L"<a", L"<b", L"/b", L"/a", L"end"}},
        {"comments", L"<a><!-- note --></a>", {L"begin", L"<a", L"!note ", L"/a", L"end"}},
        {"entities in text",
         L"<a>x &lt;&amp;&gt; y</a>",
         {L"begin", L"<a", L"'x <&> y'", L"/a", L"end"}},
        {"attribute value with blanks and &amp; unchanged",
         L"<a v=\"one two &amp; three\"/>",
         {L"begin", L"<a v=[one two &amp; three]", L"/a", L"end"}},
        {"attribute values with '=', '>' and empty",
         L"<a v=\"p=q>r\" w=\"\"/>",
         {L"begin", L"<a v=[p=q>r] w=[]", L"/a", L"end"}},
        {"carriage returns separate names",
         L"<a\r\nv=\"1\"\r\n>t</a\r\n>",
         {L"begin", L"<a v=[1]", L"'t'", L"/a", L"end"}},
        {"a stray end tag at top level ends the document",
         L"<a/></b><c/>",
         {L"begin", L"<a", L"/a", L"end"}},
        {"input ending inside an element still ends the document",
         L"<a><b>t",
         {L"begin", L"<a", L"<b", L"'t'", L"end"}},
        {"characters beyond Latin-1",
         L"<a n=\"Ø\">Maßstab 1:50 – ÿ</a>",
         {L"begin", L"<a n=[Ø]", L"'Maßstab 1:50 – ÿ'", L"/a", L"end"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(readString(row.text), row.events);
    }
}

TEST(stXmlSaxParserTest, RecoverableProblemsAreReportedAndSkipped) {
    tmpErrorLog_c log;
    EXPECT_EQ(readString(L"<a>x&nbsp;y &amp z</a>", &log),
              (Events{L"begin", L"<a", L"'xy &amp z'", L"/a", L"end"}));
    EXPECT_EQ(log.errors, Events{L"Entity is skiped! (EntityResolver is not implemented) "});

    log.errors.clear();
    EXPECT_EQ(readString(L"<a = v=\"1\" w/>", &log),
              (Events{L"begin", L"<a v=[1]", L"/a", L"end"}));
    EXPECT_EQ(log.errors, (Events{L"Bad token!", L"Bad token!"}));
    EXPECT_TRUE(log.critical.empty());
}

TEST(stXmlSaxParserTest, StructuralProblemsThrowTheFatalErrorWithTheDefaultHandler) {
    struct Row {
        const char* name;
        const wchar_t* text;
    };
    const Row rows[] = {
        {"mismatched end tag", L"<a><b></a></b>"},
        {"stray tag closer", L"<a>></a>"},
        {"stray comment closer", L"<a>--></a>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        try {
            readString(row.text);
            ADD_FAILURE() << "no exception";
        } catch (const stXmlSaxException_c& e) {
            EXPECT_STREQ(e.description(), L"Fatal error in internalParse@stXmlSaxParserImpl_c");
        }
    }
}

TEST(stXmlSaxParserTest, AHandlerThatDoesNotThrowOnCriticalReportsLetsReadingGoOn) {
    tmpErrorLog_c log;
    EXPECT_EQ(readString(L"<a></b><c/>", &log),
              (Events{L"begin", L"<a", L"/a", L"<c", L"/c", L"end"}));
    EXPECT_EQ(log.critical, Events{L"Mismatche close tag!"});
}

TEST(stXmlSaxParserTest, AFailingContentHandlerEndsInOneFatalReport) {
    struct tmpThrowing_c : stXmlSaxContentHandler_c {
        void onEndElement(const wchar_t*) override { throw 42; }
    } handler;
    tmpErrorLog_c log;
    const std::unique_ptr<stXmlSaxParser_c> parser(stXmlSaxParser_c::createParser(nullptr));
    parser->setErrorHandler(&log);
    parser->parseString(L"<a/>", &handler);
    EXPECT_EQ(log.critical, Events{L"Fatal error in internalParse@stXmlSaxParserImpl_c"});
}

TEST(stXmlSaxParserTest, ReadsFilesAsUtf8OrLatin1UpToByteFF) {
    struct Row {
        const char* name;
        std::string bytes;
        Events events;
    };
    const Row rows[] = {
        {"UTF-8",
         "<a>Ma\xC3\x9F"
         "stab \xE2\x80\x93 \xC3\x98 \xC3\xBF</a>",
         {L"begin", L"<a", L"'Maßstab – Ø ÿ'", L"/a", L"end"}},
        {"single-byte (Latin-1)",
         "<a n=\"\xD8\">Ma\xDFstab \xE9t\xE9</a>",
         {L"begin", L"<a n=[Ø]", L"'Maßstab été'", L"/a", L"end"}},
        {"byte FF ends the input",
         "<a>ab</a>\xFF<b>never read</b>",
         {L"begin", L"<a", L"'ab'", L"/a", L"end"}},
        {"a NUL byte ends the input as well (a name cut at it could not be written back)",
         std::string("<a>ab</a><\0\0/>", 14),
         {L"begin", L"<a", L"'ab'", L"/a", L"end"}},
        {"byte FF inside text ends the input",
         "<a>ab\xFF"
         "cd</a>",
         {L"begin", L"<a", L"'ab'", L"end"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const tmpXmlTempFile_c file("in");
        file.writeBytes(row.bytes);
        tmpRecorder_c recorder;
        const std::unique_ptr<stXmlSaxParser_c> parser(stXmlSaxParser_c::createParser(nullptr));
        parser->parseFile(file.wide(), &recorder);
        EXPECT_EQ(recorder.events, row.events);
    }
}

TEST(stXmlSaxParserTest, MissingFileIsAFatalError) {
    const std::unique_ptr<stXmlSaxParser_c> parser(stXmlSaxParser_c::createParser(nullptr));
    try {
        parser->parseFile(L"/nonexistent/vemora.xml", nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const stXmlSaxException_c& e) {
        EXPECT_STREQ(e.description(), L"Fatal error in internalParse@stXmlSaxParserImpl_c");
    }
}

TEST(stXmlSaxWriterTest, WritesTheHouseLayout) {
    const tmpXmlTempFile_c file("out");
    const std::unique_ptr<stXmlSaxWriter_c> writer(stXmlSaxWriter_c::createWriter(nullptr));
    ASSERT_TRUE(writer->openFile(file.wide()));
    stXmlSaxAttrList_c rootAttrs;
    rootAttrs.append(L"version", L"1.1");
    rootAttrs.append(L"note", L"a \"b\"");
    stXmlSaxAttrList_c piAttrs;
    piAttrs.append(L"k", L"v");
    writer->startDocument();
    writer->startElement(L"Vemora", &rootAttrs);
    writer->startElement(L"Empty", nullptr);
    writer->endElement();
    writer->startElement(L"Text", nullptr);
    writer->characters(L"a<b & c>d");
    writer->endElement();
    writer->startElement(L"Mixed", nullptr);
    writer->characters(L"head");
    writer->comment(L"c");
    writer->processingInstruction(L"pi", &piAttrs);
    writer->endElement();
    writer->endDocument();  // closes Vemora
    EXPECT_TRUE(writer->good());

    EXPECT_EQ(maskTimeStamp(file.readBytes()),
              "<?xml version=\"1.0\"?>\n"
              "<!--Written by stXmlSaxWriterImpl_c on <STAMP>-->\n"
              "<Vemora version=\"1.1\" note=\"a &quot;b&quot;\" >\n"
              "  <Empty ></Empty>\n"
              "  <Text >a&lt;b &amp; c&gt;d</Text>\n"
              "  <Mixed >head\n"
              "    <!--c-->\n"
              "    <?pi k=\"v\" ?>\n"
              "  </Mixed>\n"
              "</Vemora>");
}

TEST(stXmlSaxWriterTest, EncodesCharactersAboveAsciiAsUtf8) {
    const tmpXmlTempFile_c file("out");
    const std::unique_ptr<stXmlSaxWriter_c> writer(stXmlSaxWriter_c::createWriter(nullptr));
    ASSERT_TRUE(writer->openFile(file.wide()));
    writer->startElement(L"a", nullptr);
    writer->characters(L"Ø1:50 ÿ");
    writer->endDocument();
    EXPECT_EQ(file.readBytes(),
              "\n<a >\xC3\x98"
              "1:50 \xC3\xBF</a>");
}

TEST(stXmlSaxWriterTest, LongTextIsWrittenWhole) {
    std::wstring text;
    for (int i = 0; i < 3000; ++i) text += (i % 7 == 0) ? L'&' : wchar_t(L'a' + i % 26);
    const tmpXmlTempFile_c file("out");
    const std::unique_ptr<stXmlSaxWriter_c> writer(stXmlSaxWriter_c::createWriter(nullptr));
    ASSERT_TRUE(writer->openFile(file.wide()));
    writer->startElement(L"a", nullptr);
    writer->characters(text.c_str());
    writer->endDocument();

    tmpRecorder_c recorder;
    const std::unique_ptr<stXmlSaxParser_c> parser(stXmlSaxParser_c::createParser(nullptr));
    parser->parseFile(file.wide(), &recorder);
    EXPECT_EQ(recorder.events, (Events{L"begin", L"<a", L"'" + text + L"'", L"/a", L"end"}));
}

TEST(stXmlSaxWriterTest, OpenFileFailsForAnUncreatablePath) {
    const std::unique_ptr<stXmlSaxWriter_c> writer(stXmlSaxWriter_c::createWriter(nullptr));
    EXPECT_FALSE(writer->openFile(L"/nonexistent/dir/out.xml"));
}

TEST(stXmlSaxWriterTest, StringOutputCollectsAndCutsAtCapacity) {
    wchar_t buffer[13];  // 12 characters and the terminator
    const std::unique_ptr<stXmlSaxWriter_c> writer(stXmlSaxWriter_c::createWriter(nullptr));
    writer->openString(buffer, 13);
    writer->startElement(L"a", nullptr);
    writer->characters(L"xyz");
    writer->endElement();
    EXPECT_STREQ(buffer, L"\n<a >xyz</a>");
    writer->startElement(L"b", nullptr);  // beyond the capacity
    EXPECT_STREQ(buffer, L"\n<a >xyz</a>");
}
