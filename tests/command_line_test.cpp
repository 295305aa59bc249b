#include "startup/command_line.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(CommandLine, ArgumentTextFollowsTheProgramName) {
    EXPECT_EQ(Argument_Text("\"C:\\Program Files\\Lumora.scr\" /s"), "/s");
    EXPECT_EQ(Argument_Text("\"C:\\Program Files\\Lumora.scr\"/s"), "/s");
    EXPECT_EQ(Argument_Text("C:\\WINDOWS\\LUMORA~1.SCR /p 1234"), "/p 1234");
    EXPECT_EQ(Argument_Text("Lumora.scr \t /c:99"), "/c:99");
    EXPECT_EQ(Argument_Text("Lumora.scr"), "");
    EXPECT_EQ(Argument_Text("Lumora.scr   "), "");
    EXPECT_EQ(Argument_Text("\"C:\\unclosed /s"), "");
    EXPECT_EQ(Argument_Text(""), "");
}

TEST(CommandLine, ModeLetterIsTheSecondCharacterUpperCased) {
    for (const char* text : {"/s", "/S", "-s", "xs", "xS", "/s junk"}) EXPECT_EQ(Mode_Letter(text), "S") << text;
    EXPECT_EQ(Mode_Letter("/p 1"), "P");
    EXPECT_EQ(Mode_Letter("/c:1"), "C");
    EXPECT_EQ(Mode_Letter(""), "");
    EXPECT_EQ(Mode_Letter("/"), "");
    EXPECT_EQ(Mode_Letter("x"), "");
    // Characters, not bytes: a Japanese second character is one letter, and no mode.
    EXPECT_EQ(Mode_Letter("/ｓ"), "ｓ");
    EXPECT_EQ(Mode_Letter("ルs"), "S");
}

TEST(CommandLine, HandleTextStartsAtTheFourthCharacter) {
    EXPECT_EQ(Handle_Text("/p 1234"), "1234");
    EXPECT_EQ(Handle_Text("/p:1234"), "1234");
    EXPECT_EQ(Handle_Text("/P  77"), " 77");
    EXPECT_EQ(Handle_Text("/p"), "");
    EXPECT_EQ(Handle_Text("/p "), "");
    EXPECT_EQ(Handle_Text("/pル12"), "12");
    EXPECT_EQ(Handle_Text("\xFF\xFF\xFF" "5"), "5"); // stray bytes count one each
}

TEST(CommandLine, LenientHandleTakesTheLeadingNumberOrZero) {
    EXPECT_EQ(Handle_Lenient("1234"), 1234);
    EXPECT_EQ(Handle_Lenient(" 42 junk"), 42);
    EXPECT_EQ(Handle_Lenient("-5"), -5);
    EXPECT_EQ(Handle_Lenient("12.5"), 12);
    EXPECT_EQ(Handle_Lenient("13.5"), 14);
    EXPECT_EQ(Handle_Lenient(""), 0);
    EXPECT_EQ(Handle_Lenient("abc"), 0);
    EXPECT_EQ(Handle_Lenient("99999999999"), 0);
    EXPECT_EQ(Handle_Lenient(std::string(10000, '9')), 0);
}

TEST(CommandLine, StrictHandleWantsOneWholeNumber) {
    EXPECT_EQ(Handle_Strict("1234"), 1234);
    EXPECT_EQ(Handle_Strict(" 1234 "), 1234);
    EXPECT_EQ(Handle_Strict("-2147483648"), -2147483647 - 1);
    EXPECT_FALSE(Handle_Strict("12ab").has_value());
    EXPECT_FALSE(Handle_Strict("").has_value());
    EXPECT_FALSE(Handle_Strict("abc").has_value());
    EXPECT_FALSE(Handle_Strict("2147483648").has_value());
}

} // namespace
} // namespace lumora
