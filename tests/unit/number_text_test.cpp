// The number texts shared by the stores and the settings window.
#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstring>

#include "platform/number_text.h"

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
    setlocale(LC_ALL, "German");
    const bool comma = std::strcmp(localeconv()->decimal_point, ",") == 0;
    const std::string rounded = FloatingText(-11.74999, 5);
    const std::string six = FloatingText(1234.5678);
    const std::string exponent = FloatingText(123456.0, 5);
    setlocale(LC_ALL, "C");
    ASSERT_TRUE(comma) << "this platform has no German locale";
    EXPECT_EQ("-11.75", rounded);
    EXPECT_EQ("1234.57", six);
    EXPECT_EQ("1.2346e+005", exponent);
}
}  // namespace
