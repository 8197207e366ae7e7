#include <vemora.h>

#include <gtest/gtest.h>

#include <cwchar>

using namespace Vemora;

TEST(utStringTest, NullAndEmptyAreBothEmptyButConvertDifferently) {
    const utString_c null(static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(null.length(), 0u);
    EXPECT_TRUE(!null);
    EXPECT_EQ(static_cast<const wchar_t*>(null), nullptr);
    EXPECT_TRUE(null == L"");

    const utString_c empty(L"");
    EXPECT_TRUE(!empty);
    ASSERT_NE(static_cast<const wchar_t*>(empty), nullptr);
    EXPECT_STREQ(static_cast<const wchar_t*>(empty), L"");
}
