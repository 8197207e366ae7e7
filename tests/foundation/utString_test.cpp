#include <vemora.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cwchar>

using namespace Vemora;

namespace {
const wchar_t* str(const utString_c& s) { return s; }
}  // namespace

TEST(utStringTest, NullAndEmptyAreBothEmptyButConvertDifferently) {
    const utString_c null(static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(null.length(), 0u);
    EXPECT_TRUE(!null);
    EXPECT_EQ(str(null), nullptr);
    EXPECT_TRUE(null == L"");

    const utString_c empty(L"");
    EXPECT_TRUE(!empty);
    ASSERT_NE(str(empty), nullptr);
    EXPECT_STREQ(str(empty), L"");
}

TEST(utStringTest, ConstructorsFromValues) {
    EXPECT_STREQ(str(utString_c(false)), L"false");
    EXPECT_STREQ(str(utString_c(true)), L"true");
    EXPECT_STREQ(str(utString_c(-42)), L"-42");
    EXPECT_STREQ(str(utString_c(L'x')), L"x");
    EXPECT_STREQ(str(utString_c("plain")), L"plain");
    EXPECT_STREQ(str(utString_c(0.5)), L"0.5");
    EXPECT_STREQ(str(utString_c(1e20)), L"1e+20");
    EXPECT_STREQ(str(utString_c(1.0 / 3.0)), L"0.333333333333");  // 12 significant digits
    EXPECT_DOUBLE_EQ(utString_c::parseDouble(utString_c(0.1)), 0.1);
}

TEST(utStringTest, RealsUseADotWhateverTheHostLocale) {
    const char* const german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    if (!german) GTEST_SKIP() << "no German locale installed";
    EXPECT_STREQ(str(utString_c(2.5)), L"2.5");
    EXPECT_DOUBLE_EQ(utString_c::parseDouble(L"2.5"), 2.5);
    std::setlocale(LC_NUMERIC, "C");
}

TEST(utStringTest, AppendingAndAssigning) {
    utString_c s;
    s += utString_c();
    EXPECT_EQ(str(s), nullptr);  // appending nothing keeps null
    s += utString_c(L"ab");
    s += L'c';
    EXPECT_STREQ(str(s), L"abc");
    s += utString_c(L"");
    EXPECT_STREQ(str(s), L"abc");

    utString_c t = s;
    t = 0;  // assigning an integer clears
    EXPECT_EQ(str(t), nullptr);
    EXPECT_STREQ(str(s), L"abc");
    t = L"xyz";
    t = static_cast<const wchar_t*>(t);  // assigning its own buffer
    EXPECT_STREQ(str(t), L"xyz");
    EXPECT_TRUE(t == L"xyz");
    EXPECT_FALSE(t == L"xy");
}

TEST(utStringTest, RemoveAndInsertBounds) {
    struct Row {
        const char* name;
        bool insert;
        unsigned pos, count;
        const wchar_t* expected;
    };
    const Row rows[] = {
        {"remove middle", false, 1, 2, L"ade"},
        {"remove past end cuts", false, 2, 10, L"ab"},
        {"remove reaching end exactly cuts", false, 3, 2, L"abc"},
        {"remove at length does nothing", false, 5, 1, L"abcde"},
        {"insert at end is refused", true, 5, 1, L"abcde"},
        {"insert at front", true, 0, 2, L"XYabcde"},
        {"insert inside", true, 4, 1, L"abcdXe"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        utString_c s(L"abcde");
        if (row.insert)
            s.insert(row.pos, row.count, L"XYZ");
        else
            s.remove(row.pos, row.count);
        EXPECT_STREQ(str(s), row.expected);
    }
    utString_c null;
    null.insert(0, 1, L"x");
    null.remove(0, 1);
    EXPECT_EQ(str(null), nullptr);
}

TEST(utStringTest, Parsers) {
    EXPECT_EQ(utString_c::parseInt(L" -12x"), -12);
    EXPECT_EQ(utString_c::parseInt(L"+7"), 7);
    EXPECT_EQ(utString_c::parseInt(L"x12"), 0);
    EXPECT_EQ(utString_c::parseInt(nullptr), 0);
    EXPECT_EQ(utString_c::parseInt(L"99999999999"), 2147483647);
    EXPECT_DOUBLE_EQ(utString_c::parseDouble(L"1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(utString_c::parseDouble(L"  -2.25mm"), -2.25);
    EXPECT_EQ(utString_c::parseDouble(nullptr), 0.0);

    for (const wchar_t* t : {L"ON", L"Yes", L"true", L"TRUE", L"1", L"on"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(t)));
        EXPECT_TRUE(utString_c::parseBool(t));
    }
    for (const wchar_t* t : {L"2", L"t", L"", L"off", L" true"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(t)));
        EXPECT_FALSE(utString_c::parseBool(t));
    }
    EXPECT_FALSE(utString_c::parseBool(nullptr));
}

TEST(utExceptionTest, DerivedExceptionsAreCaughtAsBaseWithMessage) {
    try {
        throw stEngineException_c(L"Invalid name!");
    } catch (const utException_c& e) {
        EXPECT_STREQ(e.what(), L"Invalid name!");
    }
    try {
        throw stCommandException_c(L"cmd");
    } catch (const utException_c& e) {
        EXPECT_STREQ(e.what(), L"cmd");
    }
    utException_c none;
    EXPECT_EQ(none.what(), nullptr);
    utException_c a(L"first");
    const utException_c b(L"second");
    a = b;
    EXPECT_STREQ(a.what(), L"second");
    EXPECT_NE(a.what(), b.what());
}
