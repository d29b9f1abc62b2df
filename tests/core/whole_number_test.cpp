#include "lumeno/core/whole_number.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using lumeno::ParseTruncatedNumber;

TEST(ParseTruncatedNumber, TruncatesTowardZeroWithEitherMark) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    const struct {
        const char* text;
        int64_t value;
    } cases[] = {
        {"40", 40},
        {" 40 ", 40},
        {" \t12\t", 12},
        {"\t-3,7 ", -3},
        {"+7", 7},
        {"-5", -5},
        {"2.9", 2},
        {"2,9", 2},
        {"-2.9", -2},
        {"-0,5", 0},
        {",5", 0},
        {"5,", 5},
        {"1000000,99", 1000000},
        {"9223372036854775807", kMax},
        {"9223372036854775808", kMax},
        {"-9223372036854775808", kMin},
        {"-99999999999999999999999", kMin},
        {"123456789012345678901234567890.5", kMax},
    };
    for (const auto& c : cases) {
        const auto v = ParseTruncatedNumber(c.text);
        ASSERT_TRUE(v.has_value()) << c.text;
        EXPECT_EQ(*v, c.value) << c.text;
    }
}

TEST(ParseTruncatedNumber, RejectsWhatIsNoNumber) {
    for (const char* text : {"", " ", "-", ".", ",", "1e3", "12a", "1.2,3", "1,2,3", "0x10", "--1",
                             "1 000", "١٢", "\t", "1\t2", "-\t5"})
        EXPECT_FALSE(ParseTruncatedNumber(text).has_value()) << text;
}

} // namespace
