#include "text/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace lumora {
namespace {

TEST(Numbers, ParseAcceptsDecimalNumbersWithBlanksAround) {
    EXPECT_EQ(ParseNumber("2.9"), 2.9);
    EXPECT_EQ(ParseNumber(" 7"), 7.0);
    EXPECT_EQ(ParseNumber("\t-0.5  "), -0.5);
    EXPECT_EQ(ParseNumber("1e3"), 1000.0);
    EXPECT_EQ(ParseNumber("+4"), 4.0);
    EXPECT_EQ(ParseNumber(".5"), 0.5);
    EXPECT_EQ(ParseNumber("5."), 5.0);
    EXPECT_EQ(ParseNumber("2.5E-1"), 0.25);
}

TEST(Numbers, ParseRejectsEverythingElse) {
    for (const char* text : {"", " ", "abc", "&H10", "0x10", "1,000", "1 2", "inf", "nan", "1e",
                             "--1", "+", ".", "e5", "12abc", "\xE3\x83\xAB"})
        EXPECT_FALSE(ParseNumber(text).has_value()) << '"' << text << '"';
}

TEST(Numbers, ParseOfHugeExponentsStaysSafe) {
    EXPECT_TRUE(std::isinf(*ParseNumber("1e999999")));
    EXPECT_EQ(ParseNumber("1e-999999"), 0.0);
    EXPECT_FALSE(RoundToInt16(*ParseNumber("-1e400")).has_value());
}

TEST(Numbers, LeadingReadsTheNumberAtTheStart) {
    EXPECT_EQ(LeadingNumber("1234"), 1234.0);
    EXPECT_EQ(LeadingNumber("  56abc"), 56.0);
    EXPECT_EQ(LeadingNumber("-5"), -5.0);
    EXPECT_EQ(LeadingNumber("12.5x"), 12.5);
    EXPECT_EQ(LeadingNumber("3e"), 3.0);
    EXPECT_EQ(LeadingNumber("abc"), 0.0);
    EXPECT_EQ(LeadingNumber(""), 0.0);
    EXPECT_EQ(LeadingNumber(":12"), 0.0);
}

TEST(Numbers, RoundingTakesHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundToInt16(2.5), 2);
    EXPECT_EQ(RoundToInt16(3.5), 4);
    EXPECT_EQ(RoundToInt16(-2.5), -2);
    EXPECT_EQ(RoundToInt16(2.4999), 2);
    EXPECT_EQ(RoundToInt32(12.5), 12);
    EXPECT_EQ(RoundToInt32(13.5), 14);
}

TEST(Numbers, RoundingRefusesWhatDoesNotFit) {
    EXPECT_EQ(RoundToInt16(32767.0), 32767);
    EXPECT_EQ(RoundToInt16(-32768.0), -32768);
    EXPECT_FALSE(RoundToInt16(32768.0).has_value());
    EXPECT_FALSE(RoundToInt16(32767.5).has_value()); // rounds to 32768
    EXPECT_EQ(RoundToInt16(-32768.5), -32768);       // halves to even
    EXPECT_FALSE(RoundToInt16(-32769.0).has_value());
    EXPECT_EQ(RoundToInt32(2147483647.0), 2147483647);
    EXPECT_FALSE(RoundToInt32(2147483648.0).has_value());
    EXPECT_FALSE(RoundToInt32(std::numeric_limits<double>::quiet_NaN()).has_value());
    EXPECT_FALSE(RoundToInt32(HUGE_VAL).has_value());
}

TEST(Numbers, SignColumnLeavesRoomForTheSign) {
    EXPECT_EQ(SignColumn(0), " 0");
    EXPECT_EQ(SignColumn(12), " 12");
    EXPECT_EQ(SignColumn(-3), "-3");
    EXPECT_EQ(SignColumn(-32768), "-32768");
}

} // namespace
} // namespace lumora
