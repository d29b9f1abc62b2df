#include "lumeno/core/text.h"

#include <gtest/gtest.h>

using namespace lumeno;

TEST(Text, UpperCasesOnlyAsciiLetters) {
    EXPECT_EQ(UpperCaseAZ("abc xyz 09_{}"), "ABC XYZ 09_{}");
    // ä, ß in Windows-1252 and in UTF-8 stay as they are
    EXPECT_EQ(UpperCaseAZ("\xE4\xDF"), "\xE4\xDF");
    EXPECT_EQ(UpperCaseAZ("\xC3\xA4"), "\xC3\xA4");
    EXPECT_EQ(UpperCaseAZ(std::string("a\0b", 3)), std::string("A\0B", 3));
}

TEST(Text, FileNameWithoutDirectory) {
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {{"C:\\Fotos\\urlaub.jpg", "urlaub.jpg"},
                 {"/home/a/b.PNG", "b.PNG"},
                 {"C:\\x/y\\z.gif", "z.gif"},
                 {"plain.bmp", "plain.bmp"},
                 {"dir/", ""},
                 {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(FileNameWithoutDir(c.path), c.name) << c.path;
}

TEST(Text, Cp1252RoundTripsEveryByte) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = Cp1252ToUtf8(all);
    EXPECT_EQ(Utf8ToCp1252(utf8), all);
    EXPECT_EQ(Cp1252ToUtf8("\x80\xE4\x9F"), "\xE2\x82\xAC\xC3\xA4\xC5\xB8"); // € ä Ÿ
}

TEST(Text, UnmappableCharactersBecomeReferencesAndComeBack) {
    // "Łódź ✓" : Ł, ź and ✓ are not in Windows-1252, ó is
    const std::string typed = "\xC5\x81\xC3\xB3"
                              "d\xC5\xBA \xE2\x9C\x93";
    const std::string stored = Utf8ToCp1252(typed);
    EXPECT_EQ(stored, "&#321;\xF3"
                      "d&#378; &#10003;");
    EXPECT_EQ(CaptionToUtf8(stored), typed);
    // a supplementary-plane character survives too
    EXPECT_EQ(CaptionToUtf8(Utf8ToCp1252("\xF0\x9F\x98\x80")), "\xF0\x9F\x98\x80");
}

TEST(Text, ReferencesThatWindows1252CanHoldStayLiteral) {
    EXPECT_EQ(CaptionToUtf8("&#65; &#228; &#; &#12 &amp;"), "&#65; &#228; &#; &#12 &amp;");
    EXPECT_EQ(CaptionToUtf8("&#99999999999;"), "&#99999999999;");
    EXPECT_EQ(CaptionToUtf8("&#55296;"), "&#55296;"); // a lone surrogate is no character
}

TEST(Text, TypedReferencesReadBackAsTyped) {
    const struct {
        const char* typed;
        const char* stored;
    } cases[] = {{"&#65;", "&#38;#65;"},
                 {"&#38;", "&#38;#38;"},
                 {"a &# b &#x41; &", "a &#38;# b &#38;#x41; &"},
                 {"&#\xC5\x81", "&#38;#&#321;"}, // "&#" then Ł
                 {"x&y &amp;", "x&y &amp;"}};
    for (const auto& c : cases) {
        EXPECT_EQ(CaptionFromUtf8(c.typed), c.stored) << c.typed;
        EXPECT_EQ(CaptionToUtf8(c.stored), c.typed) << c.typed;
    }
}

TEST(Text, C1ControlsAreNotTheWindows1252Characters) {
    // U+0080 is no euro sign: it is held as a reference, unlike U+20AC; the five bytes
    // Windows-1252 leaves undefined stand for the C1 control of their value.
    EXPECT_EQ(Utf8ToCp1252("\xC2\x80\xE2\x82\xAC"), "&#128;\x80");
    EXPECT_EQ(Utf8ToCp1252("\xC2\x9F\xC2\x81\xC2\x9D"), "&#159;\x81\x9D");
    EXPECT_EQ(CaptionToUtf8("&#128;"), "\xC2\x80");
}

TEST(Text, MalformedUtf8BecomesReplacementReference) {
    // overlong forms of "/" in three and four bytes
    EXPECT_EQ(Utf8ToCp1252("\xE0\x80\xAF"), "&#65533;&#65533;&#65533;");
    EXPECT_EQ(Utf8ToCp1252("\xF0\x80\x80\xAF"), "&#65533;&#65533;&#65533;&#65533;");
    EXPECT_EQ(Utf8ToCp1252("a\xFF"
                           "b"),
              "a&#65533;b");
    EXPECT_EQ(Utf8ToCp1252("\xC3"), "&#65533;"); // truncated at the end
    EXPECT_EQ(Utf8ToCp1252("\xE2\x82"), "&#65533;&#65533;");
    EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "&#65533;&#65533;");             // overlong
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "&#65533;&#65533;&#65533;"); // surrogate
}
