// The caption search: matching rules, one row per photo, stored positions.
#include "lumeno/core/text.h"
#include "lumeno/project/caption_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumeno {
namespace {

// Photos with (path, caption); captions in Windows-1252.
void Fill(TSlideShow& show, const std::vector<std::pair<std::string, std::string>>& fotos) {
    for (const auto& [path, caption] : fotos) {
        show.AddPhotos({path}, false);
        show.Fotos[show.Count() - 1].Text = caption;
    }
}

std::vector<int> Positions(const std::vector<TSearchRow>& rows) {
    std::vector<int> out;
    for (const TSearchRow& row : rows)
        out.push_back(row.Position);
    return out;
}

class CaptionSearch : public ::testing::Test {
  protected:
    void SetUp() override {
        Fill(show_, {
                        {"/urlaub/strand.jpg", "Am Meer"},                        // 0
                        {"C:\\Bilder\\BERGE.JPG", "H\xFCtte"},                    // 1
                        {"/x/MEER.png", ""},                                      // 2
                        {"/meer/foto.jpg", "Ein STRAND am meer\r\nzweite Zeile"}, // 3
                        {"/x/gruss.jpg", "Gr\xFC\xDF"
                                         "e aus \xC4gypten"}, // 4
                        {"/x/\xC3\xBC"
                         "ber.jpg",
                         "\xFC"
                         "ber &#321;\xF3"
                         "d\xBA"}, // 5
                    });
    }
    TSlideShow show_;
};

TEST_F(CaptionSearch, LowerCaseFindsCapitalsInCaptionAndFileNameInListOrder) {
    const auto rows = SearchCaptions(show_, "meer");
    EXPECT_EQ(Positions(rows), (std::vector<int>{0, 2, 3}));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].FileName, "strand.jpg");
    EXPECT_EQ(rows[0].Caption, "Am Meer");
    EXPECT_EQ(rows[1].FileName, "MEER.png");
    EXPECT_EQ(rows[1].Caption, "");
    EXPECT_EQ(rows[2].Caption, "Ein STRAND am meer\r\nzweite Zeile");
    EXPECT_EQ(Positions(SearchCaptions(show_, "berge.jpg")), std::vector<int>{1});
    EXPECT_EQ(Positions(SearchCaptions(show_, ".JPG")), (std::vector<int>{0, 1, 3, 4, 5}));
}

TEST_F(CaptionSearch, DirectoryIsNotSearched) {
    EXPECT_EQ(Positions(SearchCaptions(show_, "urlaub")), std::vector<int>{});
    EXPECT_EQ(Positions(SearchCaptions(show_, "bilder")), std::vector<int>{});
}

TEST_F(CaptionSearch, PhotoMatchingCaptionAndFileNameIsListedOnce) {
    EXPECT_EQ(Positions(SearchCaptions(show_, "strand")), (std::vector<int>{0, 3}));
}

TEST_F(CaptionSearch, OnlyAsciiLettersAreUpperCased) {
    EXPECT_EQ(Positions(SearchCaptions(show_, "hütte")), std::vector<int>{1});  // same umlaut
    EXPECT_EQ(Positions(SearchCaptions(show_, "ägypten")), std::vector<int>{}); // ä is not Ä
    EXPECT_EQ(Positions(SearchCaptions(show_, "Ägypten")), std::vector<int>{4});
    EXPECT_EQ(Positions(SearchCaptions(show_, "grüsse")), std::vector<int>{}); // ss is not ß
    EXPECT_EQ(Positions(SearchCaptions(show_, "grüße")), std::vector<int>{4});
}

TEST_F(CaptionSearch, TypedTextMatchesWindows1252CaptionsAndUtf8FileNames) {
    // "über" is 0xFC in the caption and C3 BC in the path; both photos 5 rows once.
    EXPECT_EQ(Positions(SearchCaptions(show_, "über")), std::vector<int>{5});
    EXPECT_EQ(Positions(SearchCaptions(show_, "üBER.JPG")), std::vector<int>{5});
    // A character Windows-1252 cannot hold is found through its stored reference.
    EXPECT_EQ(Positions(SearchCaptions(show_, "Łó")), std::vector<int>{5});
    EXPECT_EQ(Positions(SearchCaptions(show_, "dº")), std::vector<int>{5});
}

TEST_F(CaptionSearch, ComparesTheCaptionAsShownNotItsStoredForm) {
    show_.AddPhotos({"/x/typed.jpg"}, false);
    show_.Fotos[6].Text = CaptionFromUtf8("Code &#3"); // stored as "Code &#38;#3"
    EXPECT_EQ(Positions(SearchCaptions(show_, "&#3")), std::vector<int>{6}); // not "&#321;"
    EXPECT_EQ(Positions(SearchCaptions(show_, "&#38")), std::vector<int>{});
    EXPECT_EQ(Positions(SearchCaptions(show_, "321")), std::vector<int>{});
}

TEST_F(CaptionSearch, EmptySearchFindsNothing) {
    EXPECT_TRUE(SearchCaptions(show_, "").empty());
    TSlideShow empty;
    EXPECT_TRUE(SearchCaptions(empty, "a").empty());
}

TEST_F(CaptionSearch, RowsKeepTheirPositionsWhenTheShowChanges) {
    const auto rows = SearchCaptions(show_, "meer");
    show_.CurFoto = 1;
    show_.DeleteCurrent();
    // Jumping from the row of the former photo 3 (position 2) now lands on what followed it.
    show_.CurFoto = rows[1].Position + 1;
    ASSERT_TRUE(show_.HasCurrent());
    EXPECT_EQ(show_.Current()->FileName, "/meer/foto.jpg");
}

} // namespace
} // namespace lumeno
