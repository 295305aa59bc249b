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

TEST(CommandLine, TheProgramsOwnPathIsSkippedByWhatItIsBlanksAndAll) {
    const std::vector<std::string> paths = {"C:\\Program Files\\Lumora\\Lumora.scr",
                                            "C:\\PROGRA~1\\Lumora\\LUMORA~1.SCR"};
    // Unquoted with blanks: split at the first blank, this read "Files\...", a mode of "I".
    EXPECT_EQ(ArgumentText("C:\\Program Files\\Lumora\\Lumora.scr /s", paths), "/s");
    EXPECT_EQ(ParseSwitch("C:\\Program Files\\Lumora\\Lumora.scr /s", paths).mode, Mode::Saver);
    EXPECT_EQ(ParseSwitch("C:\\Program Files\\Lumora\\Lumora.scr /s", {}).mode, Mode::Unknown);
    EXPECT_EQ(ArgumentText("c:\\program files\\lumora\\LUMORA.SCR   /p 1234", paths), "/p 1234");
    EXPECT_EQ(ArgumentText("C:\\Program Files\\Lumora\\Lumora /c", paths), "/c"); // no extension
    EXPECT_EQ(ArgumentText("C:\\Program Files\\Lumora\\Lumora.scr", paths), "");
    EXPECT_EQ(ArgumentText("C:\\PROGRA~1\\Lumora\\LUMORA~1.SCR /s", paths), "/s"); // the short form
    EXPECT_EQ(ArgumentText("\"C:\\Program Files\\Lumora\\Lumora.scr\" /s", paths), "/s");
    // Not the program's path: the first blank ends the name, as before.
    EXPECT_EQ(ArgumentText("C:\\Program Files\\Lumora\\Lumora.scrx /s", paths), "Files\\Lumora\\Lumora.scrx /s");
    EXPECT_EQ(ArgumentText("Lumora.scr /s", paths), "/s");
    EXPECT_EQ(ArgumentText("D:\\ゲーム フォルダ\\ルモラ.scr /s", {"D:\\ゲーム フォルダ\\ルモラ.scr"}), "/s");
    EXPECT_EQ(ArgumentText("", paths), "");
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
