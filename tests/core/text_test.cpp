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
    for (const auto& c : cases) EXPECT_EQ(FileNameWithoutDir(c.path), c.name) << c.path;
}

TEST(Text, Cp1252RoundTripsEveryByte) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    const std::string utf8 = Cp1252ToUtf8(all);
    EXPECT_EQ(Utf8ToCp1252(utf8), all);
    EXPECT_EQ(Cp1252ToUtf8("\x80\xE4\x9F"), "\xE2\x82\xAC\xC3\xA4\xC5\xB8"); // € ä Ÿ
}

TEST(Text, UnmappableCharactersBecomeReferencesAndComeBack) {
    // "Łódź ✓" : Ł, ź and ✓ are not in Windows-1252, ó is
    const std::string typed = "\xC5\x81\xC3\xB3" "d\xC5\xBA \xE2\x9C\x93";
    const std::string stored = Utf8ToCp1252(typed);
    EXPECT_EQ(stored, "&#321;\xF3" "d&#378; &#10003;");
    EXPECT_EQ(CaptionToUtf8(stored), typed);
    // a supplementary-plane character survives too
    EXPECT_EQ(CaptionToUtf8(Utf8ToCp1252("\xF0\x9F\x98\x80")), "\xF0\x9F\x98\x80");
}

TEST(Text, ReferencesThatWindows1252CanHoldStayLiteral) {
    EXPECT_EQ(CaptionToUtf8("&#65; &#228; &#; &#12 &amp;"), "&#65; &#228; &#; &#12 &amp;");
    EXPECT_EQ(CaptionToUtf8("&#99999999999;"), "&#99999999999;");
    EXPECT_EQ(CaptionToUtf8("&#55296;"), "&#55296;"); // a lone surrogate is no character
}

TEST(Text, MalformedUtf8BecomesReplacementReference) {
    EXPECT_EQ(Utf8ToCp1252("a\xFF" "b"), "a&#65533;b");
    EXPECT_EQ(Utf8ToCp1252("\xC3"), "&#65533;");         // truncated at the end
    EXPECT_EQ(Utf8ToCp1252("\xE2\x82"), "&#65533;&#65533;");
    EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "&#65533;&#65533;"); // overlong
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "&#65533;&#65533;&#65533;"); // surrogate
}
