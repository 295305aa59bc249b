#include "startup/command_line.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(CommandLine, ArgumentTextFollowsTheProgramName) {
    EXPECT_EQ(ArgumentText("\"C:\\Program Files\\Lumora.scr\" /s"), "/s");
    EXPECT_EQ(ArgumentText("\"C:\\Program Files\\Lumora.scr\"/s"), "/s");
    EXPECT_EQ(ArgumentText("C:\\WINDOWS\\LUMORA~1.SCR /p 1234"), "/p 1234");
    EXPECT_EQ(ArgumentText("Lumora.scr \t /c:99"), "/c:99");
    EXPECT_EQ(ArgumentText("Lumora.scr"), "");
    EXPECT_EQ(ArgumentText("Lumora.scr   "), "");
    EXPECT_EQ(ArgumentText("\"C:\\unclosed /s"), "");
    EXPECT_EQ(ArgumentText(""), "");
}

TEST(CommandLine, ModeLetterIsTheSecondCharacterUpperCased) {
    for (const char* text : {"/s", "/S", "-s", "xs", "xS", "/s junk"}) EXPECT_EQ(ModeLetter(text), "S") << text;
    EXPECT_EQ(ModeLetter("/p 1"), "P");
    EXPECT_EQ(ModeLetter("/c:1"), "C");
    EXPECT_EQ(ModeLetter(""), "");
    EXPECT_EQ(ModeLetter("/"), "");
    EXPECT_EQ(ModeLetter("x"), "");
    // Characters, not bytes: a Japanese second character is one letter, and no mode.
    EXPECT_EQ(ModeLetter("/ｓ"), "ｓ");
    EXPECT_EQ(ModeLetter("ルs"), "S");
}

TEST(CommandLine, HandleTextStartsAtTheFourthCharacter) {
    EXPECT_EQ(HandleText("/p 1234"), "1234");
    EXPECT_EQ(HandleText("/p:1234"), "1234");
    EXPECT_EQ(HandleText("/P  77"), " 77");
    EXPECT_EQ(HandleText("/p"), "");
    EXPECT_EQ(HandleText("/p "), "");
    EXPECT_EQ(HandleText("/pル12"), "12");
    EXPECT_EQ(HandleText("\xFF\xFF\xFF" "5"), "5"); // stray bytes count one each
}

TEST(CommandLine, LenientHandleTakesTheLeadingNumberOrZero) {
    EXPECT_EQ(LenientHandle("1234"), 1234);
    EXPECT_EQ(LenientHandle(" 42 junk"), 42);
    EXPECT_EQ(LenientHandle("-5"), -5);
    EXPECT_EQ(LenientHandle("12.5"), 12);
    EXPECT_EQ(LenientHandle("13.5"), 14);
    EXPECT_EQ(LenientHandle(""), 0);
    EXPECT_EQ(LenientHandle("abc"), 0);
    EXPECT_EQ(LenientHandle("99999999999"), 0);
    EXPECT_EQ(LenientHandle(std::string(10000, '9')), 0);
}

TEST(CommandLine, StrictHandleWantsOneWholeNumber) {
    EXPECT_EQ(StrictHandle("1234"), 1234);
    EXPECT_EQ(StrictHandle(" 1234 "), 1234);
    EXPECT_EQ(StrictHandle("-2147483648"), -2147483647 - 1);
    EXPECT_FALSE(StrictHandle("12ab").has_value());
    EXPECT_FALSE(StrictHandle("").has_value());
    EXPECT_FALSE(StrictHandle("abc").has_value());
    EXPECT_FALSE(StrictHandle("2147483648").has_value());
}

TEST(CommandLine, SwitchNamesOneModeWithItsHandle) {
    const std::pair<const char*, Mode> cases[] = {
        {"Lumora.scr", Mode::NoSwitch},       {"Lumora.scr /s", Mode::Saver},
        {"Lumora.scr -S junk", Mode::Saver},  {"Lumora.scr /p 12", Mode::Preview},
        {"Lumora.scr /c:5", Mode::Configure}, {"Lumora.scr /a 7", Mode::ChangePassword},
        {"Lumora.scr /x", Mode::Unknown},     {"Lumora.scr /", Mode::Unknown},
    };
    for (const auto& [line, mode] : cases) EXPECT_EQ(ParseSwitch(line).mode, mode) << line;
    EXPECT_EQ(ParseSwitch("Lumora.scr /p:1234").handleText, "1234");
}

} // namespace
} // namespace lumora
