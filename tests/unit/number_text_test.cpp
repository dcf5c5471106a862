// The number texts shared by the stores and the settings window.
#include <gtest/gtest.h>

#include <climits>

#include "platform/number_text.h"
#include "tools/shared/comma_locale.h"

namespace {
TEST(LeadingNumber, ReadsTheLeadingDigitsAndSaturatesBeyondTheIntRange)
{
    const struct {
        const char* text;
        int value;
    } rows[] = {
        {"1000", 1000},           {"  42Hz", 42},           {"-7", -7},       {"+8", 8},
        {"", 0},                  {"Hz", 0},                {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},  {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN}, {"-99999999999999999999", INT_MIN},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string("'") + row.text + "'");
        EXPECT_EQ(row.value, LeadingNumber(row.text));
    }
}

TEST(FloatingText, FewerDigitsRoundAndKeepThePointUnderACommaLocale)
{
    CommaLocale comma;
    ASSERT_TRUE(comma.Active()) << "this platform has no German locale";
    EXPECT_EQ("-11.75", FloatingText(-11.74999, 5));
    EXPECT_EQ("1234.57", FloatingText(1234.5678));
    EXPECT_EQ("1.2346e+005", FloatingText(123456.0, 5));
}
}  // namespace
