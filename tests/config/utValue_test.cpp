#include <gtest/gtest.h>
#include <vemora.h>

#include <climits>
#include <cmath>
#include <cwchar>
#include <string>

using namespace Vemora;

namespace {

std::wstring textOf(const wchar_t* s) { return s ? s : L"<null>"; }

struct ConversionRow {
    const char* name;
    utValue_c value;
    int type;
    int asInt;
    double asDouble;
    bool asBool;
    const wchar_t* asText;  // nullptr: the conversion yields a null text
};

}  // namespace

TEST(utValueTest, ConvertsEveryStoredTypeToEveryRequestedType) {
    utDictionary_c empty;
    const ConversionRow rows[] = {
        {"null", utValue_c(), 0, 0, 0.0, false, nullptr},
        {"int 42", utValue_c(42), 1, 42, 42.0, true, L"42"},
        {"int 0", utValue_c(0), 1, 0, 0.0, false, L"0"},
        {"int -7", utValue_c(-7), 1, -7, -7.0, true, L"-7"},
        {"real 2.9 truncates", utValue_c(2.9), 2, 2, 2.9, true, L"2.9"},
        {"real -2.9 truncates toward zero", utValue_c(-2.9), 2, -2, -2.9, true, L"-2.9"},
        {"real 0.65", utValue_c(0.65), 2, 0, 0.65, true, L"0.65"},
        {"real zero", utValue_c(0.0), 2, 0, 0.0, false, L"0"},
        {"real third has 12 digits", utValue_c(1.0 / 3.0), 2, 0, 1.0 / 3.0, true,
         L"0.333333333333"},
        {"real beyond int range clamps up", utValue_c(1e20), 2, INT_MAX, 1e20, true, L"1e+20"},
        {"real beyond int range clamps down", utValue_c(-1e20), 2, INT_MIN, -1e20, true, L"-1e+20"},
        {"text with trailing letters", utValue_c(L"12abc"), 3, 12, 12.0, false, L"12abc"},
        {"text with blanks, sign, exponent", utValue_c(L"  -3.5e1x"), 3, -3, -35.0, false,
         L"  -3.5e1x"},
        {"text Yes", utValue_c(L"Yes"), 3, 0, 0.0, true, L"Yes"},
        {"text ON", utValue_c(L"ON"), 3, 0, 0.0, true, L"ON"},
        {"text 2 is not a boolean", utValue_c(L"2"), 3, 2, 2.0, false, L"2"},
        {"text 1", utValue_c(L"1"), 3, 1, 1.0, true, L"1"},
        {"empty text", utValue_c(L""), 3, 0, 0.0, false, L""},
        {"null text", utValue_c(static_cast<const wchar_t*>(nullptr)), 3, 0, 0.0, false, nullptr},
        {"bool true", utValue_c(true), 4, 1, 1.0, true, L"true"},
        {"bool false", utValue_c(false), 4, 0, 0.0, false, L"false"},
        {"dictionary", utValue_c(&empty), 6, 0, 0.0, true, nullptr},
        {"dictionary value without dictionary",
         utValue_c(static_cast<const utDictionary_c*>(nullptr)), 6, 0, 0.0, true, nullptr},
    };
    for (const ConversionRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.value.getType(), row.type);
        EXPECT_EQ(row.value.isNull(), row.type == 0);
        EXPECT_EQ(static_cast<int>(row.value), row.asInt);
        EXPECT_DOUBLE_EQ(static_cast<double>(row.value), row.asDouble);
        EXPECT_EQ(static_cast<bool>(row.value), row.asBool);
        EXPECT_EQ(textOf(row.value), textOf(row.asText));
        // Regression: a non-const value converted to bool through its dictionary pointer, so
        // true, 42, 0.5 and "Yes" read as false.
        utValue_c mutableCopy(row.value);
        EXPECT_EQ(static_cast<int>(mutableCopy), row.asInt);
        EXPECT_DOUBLE_EQ(static_cast<double>(mutableCopy), row.asDouble);
        EXPECT_EQ(static_cast<bool>(mutableCopy), row.asBool);
        EXPECT_EQ(textOf(mutableCopy), textOf(row.asText));
    }
}

TEST(utValueTest, NotANumberReadsAsIntegerZero) {
    EXPECT_EQ(static_cast<int>(utValue_c(std::nan(""))), 0);
}

// Two number values converted to text used to share one buffer, so the first text changed when
// the second was made.
TEST(utValueTest, TextsOfDifferentValuesStayIndependent) {
    const utValue_c one(1), two(2.5), yes(true);
    const wchar_t* a = one;
    const wchar_t* b = two;
    const wchar_t* c = yes;
    const wchar_t* again = one;
    EXPECT_STREQ(a, L"1");
    EXPECT_STREQ(b, L"2.5");
    EXPECT_STREQ(c, L"true");
    EXPECT_STREQ(again, L"1");

    utValue_c changing(1);
    EXPECT_STREQ(static_cast<const wchar_t*>(changing), L"1");
    changing.setBool(false);
    EXPECT_STREQ(static_cast<const wchar_t*>(changing), L"false");
}

TEST(utValueTest, OnlyTheConstructorKeepsAMissingDictionary) {
    const utValue_c none(static_cast<const utDictionary_c*>(nullptr));
    EXPECT_EQ(static_cast<const utDictionary_c*>(none), nullptr);
    const utValue_c copy(none);
    EXPECT_EQ(copy.getType(), utValue_c::dictionaryType);
    EXPECT_NE(static_cast<const utDictionary_c*>(copy), nullptr);

    utValue_c set(L"text");
    set.setDictionary(nullptr);
    EXPECT_NE(static_cast<utDictionary_c*>(set), nullptr);
    set.clear();
    EXPECT_TRUE(set.isNull());
    EXPECT_EQ(static_cast<utDictionary_c*>(set), nullptr);
}

TEST(utValueTest, CopiesAreDeep) {
    wchar_t buffer[] = L"abc";
    utValue_c text(buffer);
    buffer[0] = L'x';
    EXPECT_STREQ(static_cast<const wchar_t*>(text), L"abc");  // the constructor copied

    utValue_c textCopy(text);
    text.setString(L"changed");
    EXPECT_STREQ(static_cast<const wchar_t*>(textCopy), L"abc");

    utDictionary_c inner;
    inner.setInt(L"n", 1);
    utValue_c dict(&inner);
    utValue_c dictCopy(dict);
    utValue_c dictAssigned;
    dictAssigned = dict;
    static_cast<utDictionary_c*>(dict)->setInt(L"n", 2);
    for (utValue_c* copy : {&dictCopy, &dictAssigned}) {
        ASSERT_NE(static_cast<utDictionary_c*>(*copy), nullptr);
        EXPECT_NE(static_cast<utDictionary_c*>(*copy), static_cast<utDictionary_c*>(dict));
        EXPECT_EQ(static_cast<utDictionary_c*>(*copy)->getInt(L"n", 0), 1);
    }
}

TEST(utValueTest, AssigningANullValueChangesNothing) {
    utValue_c v(L"kept");
    v = utValue_c();
    EXPECT_EQ(v.getType(), utValue_c::stringType);
    EXPECT_STREQ(static_cast<const wchar_t*>(v), L"kept");

    v = utValue_c(2.5);
    EXPECT_EQ(v.getType(), utValue_c::doubleType);
    EXPECT_DOUBLE_EQ(static_cast<double>(v), 2.5);
}

// Replacing a payload by a part of itself used to free the part before copying it.
TEST(utValueTest, AssigningFromItsOwnPayloadIsSafe) {
    utValue_c text(L"self");
    utValue_c& alias = text;
    text = alias;
    EXPECT_STREQ(static_cast<const wchar_t*>(text), L"self");
    text.setString(static_cast<const wchar_t*>(text));
    EXPECT_STREQ(static_cast<const wchar_t*>(text), L"self");

    utDictionary_c inner;
    inner.setInt(L"leaf", 7);
    utDictionary_c outer;
    outer.setDictionary(L"inner", &inner);
    utValue_c holder(&outer);
    holder.setDictionary(static_cast<utDictionary_c*>(holder));
    EXPECT_NE(static_cast<utDictionary_c*>(holder)->getDictionary(L"inner", nullptr), nullptr);

    // Replace the held dictionary by one nested inside it.
    holder.setDictionary(static_cast<utDictionary_c*>(holder)->getDictionary(L"inner", nullptr));
    EXPECT_EQ(static_cast<utDictionary_c*>(holder)->getInt(L"leaf", 0), 7);
}
