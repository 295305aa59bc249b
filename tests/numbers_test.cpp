#include "settings/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace lumora {
namespace {

TEST(Numbers, ParseAcceptsDecimalNumbersWithBlanksAround) {
    EXPECT_EQ(Number_Parse("2.9"), 2.9);
    EXPECT_EQ(Number_Parse(" 7"), 7.0);
    EXPECT_EQ(Number_Parse("\t-0.5  "), -0.5);
    EXPECT_EQ(Number_Parse("1e3"), 1000.0);
    EXPECT_EQ(Number_Parse("+4"), 4.0);
    EXPECT_EQ(Number_Parse(".5"), 0.5);
    EXPECT_EQ(Number_Parse("5."), 5.0);
    EXPECT_EQ(Number_Parse("2.5E-1"), 0.25);
}

TEST(Numbers, ParseRejectsEverythingElse) {
    for (const char* text : {"", " ", "abc", "&H10", "0x10", "1,000", "1 2", "inf", "nan", "1e",
                             "--1", "+", ".", "e5", "12abc", "\xE3\x83\xAB"})
        EXPECT_FALSE(Number_Parse(text).has_value()) << '"' << text << '"';
}

TEST(Numbers, ParseOfHugeExponentsStaysSafe) {
    EXPECT_TRUE(std::isinf(*Number_Parse("1e999999")));
    EXPECT_EQ(Number_Parse("1e-999999"), 0.0);
    EXPECT_FALSE(Round_Int16(*Number_Parse("-1e400")).has_value());
}

TEST(Numbers, LeadingReadsTheNumberAtTheStart) {
    EXPECT_EQ(Number_Leading("1234"), 1234.0);
    EXPECT_EQ(Number_Leading("  56abc"), 56.0);
    EXPECT_EQ(Number_Leading("-5"), -5.0);
    EXPECT_EQ(Number_Leading("12.5x"), 12.5);
    EXPECT_EQ(Number_Leading("3e"), 3.0);
    EXPECT_EQ(Number_Leading("abc"), 0.0);
    EXPECT_EQ(Number_Leading(""), 0.0);
    EXPECT_EQ(Number_Leading(":12"), 0.0);
}

TEST(Numbers, RoundingTakesHalvesToTheEvenNeighbour) {
    EXPECT_EQ(Round_Int16(2.5), 2);
    EXPECT_EQ(Round_Int16(3.5), 4);
    EXPECT_EQ(Round_Int16(-2.5), -2);
    EXPECT_EQ(Round_Int16(2.4999), 2);
    EXPECT_EQ(Round_Int32(12.5), 12);
    EXPECT_EQ(Round_Int32(13.5), 14);
}

TEST(Numbers, RoundingRefusesWhatDoesNotFit) {
    EXPECT_EQ(Round_Int16(32767.0), 32767);
    EXPECT_EQ(Round_Int16(-32768.0), -32768);
    EXPECT_FALSE(Round_Int16(32768.0).has_value());
    EXPECT_FALSE(Round_Int16(32767.5).has_value()); // rounds to 32768
    EXPECT_EQ(Round_Int16(-32768.5), -32768);       // halves to even
    EXPECT_FALSE(Round_Int16(-32769.0).has_value());
    EXPECT_EQ(Round_Int32(2147483647.0), 2147483647);
    EXPECT_FALSE(Round_Int32(2147483648.0).has_value());
    EXPECT_FALSE(Round_Int32(std::numeric_limits<double>::quiet_NaN()).has_value());
    EXPECT_FALSE(Round_Int32(HUGE_VAL).has_value());
}

TEST(Numbers, SignColumnLeavesRoomForTheSign) {
    EXPECT_EQ(Sign_Column(0), " 0");
    EXPECT_EQ(Sign_Column(12), " 12");
    EXPECT_EQ(Sign_Column(-3), "-3");
    EXPECT_EQ(Sign_Column(-32768), "-32768");
}

} // namespace
} // namespace lumora
