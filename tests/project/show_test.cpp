// The slide-show model: adding, deleting, moving, captions, clearing and New.
#include "lumeno/project/show.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumeno {
namespace {

std::vector<std::string> Paths(int count) {
    std::vector<std::string> paths;
    for (int i = 1; i <= count; ++i)
        paths.push_back("/fotos/bild" + std::to_string(i) + ".jpg");
    return paths;
}

// A show of `count` photos, each captioned with its number ("1", "2", ...).
void Fill(TSlideShow& show, int count) {
    show.AddPhotos(Paths(count), false);
    for (int i = 0; i < count; ++i)
        show.Fotos[i].Text = std::to_string(i + 1);
}

std::string Order(const TSlideShow& show) {
    std::string out;
    for (const TFotoRecord& foto : show.Fotos)
        out += foto.Text;
    return out;
}

TEST(AddPhotos, KeepsOrderAndCurrentPhotoAndLeavesCaptionsEmpty) {
    TSlideShow show;
    show.AddPhotos(Paths(3), false);
    ASSERT_EQ(show.Count(), 3);
    EXPECT_EQ(show.CurFoto, 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(show.Fotos[i].FileName, Paths(3)[i]);
        EXPECT_EQ(show.Fotos[i].Text, "");
        EXPECT_TRUE(show.Fotos[i].Thumb.empty());
    }
    show.CurFoto = 2;
    show.AddPhotos({"/a.jpg", "/a.jpg"}, false); // the same file may be added again
    EXPECT_EQ(show.Count(), 5);
    EXPECT_EQ(show.CurFoto, 2);
}

TEST(AddPhotos, FileNameAsCaptionDropsDirectoryAndKeepsExtension) {
    TSlideShow show;
    show.AddPhotos({"/home/anna/Urlaub/Strand.JPG", "/mnt/c/Bilder/Hütte.png", "ohne_pfad.gif"},
                   true);
    EXPECT_EQ(show.Fotos[0].Text, "Strand.JPG");
    EXPECT_EQ(show.Fotos[1].Text, "H\xFCtte.png"); // path bytes UTF-8, caption Windows-1252
    EXPECT_EQ(show.Fotos[2].Text, "ohne_pfad.gif");
}

struct BreakCase {
    size_t length;
    std::vector<size_t> crAt; // byte offsets of the CRs in the result
};

TEST(AddPhotos, FileNameCaptionGetsLoneCrBeforeEvery50thCharacter) {
    const BreakCase cases[] = {{49, {}},         {50, {49}},       {99, {49}},
                               {100, {49, 100}}, {120, {49, 100}}, {150, {49, 100, 151}}};
    for (const BreakCase& c : cases) {
        std::string name;
        for (size_t i = 0; i < c.length; ++i)
            name += static_cast<char>('a' + i % 26);
        TSlideShow show;
        show.AddPhotos({"/dir/" + name}, true);
        const std::string& text = show.Fotos[0].Text;
        SCOPED_TRACE("length " + std::to_string(c.length));
        EXPECT_EQ(text.size(), c.length + c.crAt.size());
        std::vector<size_t> found;
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\r') found.push_back(i);
        EXPECT_EQ(found, c.crAt);
        std::string without = text;
        std::erase(without, '\r');
        EXPECT_EQ(without, name);
    }
}

TEST(AddPhotos, CharacterOutsideWindows1252CountsOnceAndIsNotSplit) {
    // 49 letters, then U+0141 (stored as "&#321;"), then one more letter: the CR comes
    // before the reference, which stays whole.
    const std::string name = std::string(49, 'x') + "\xC5\x81" + "y";
    TSlideShow show;
    show.AddPhotos({"/" + name}, true);
    EXPECT_EQ(show.Fotos[0].Text, std::string(49, 'x') + "\r&#321;y");
    // A reference-looking text of characters Windows-1252 holds is plain text.
    EXPECT_EQ(BreakEvery50(std::string(47, 'x') + "&#65;"), std::string(47, 'x') + "&#\r65;");
}

// On POSIX systems a backslash is part of a file name.
TEST(AddPhotos, FileNameCaptionCutsAtThePlatformsSeparatorAndKeepsATypedReference) {
    const struct {
        const char* path;
        const char* caption;
    } cases[] = {{"/fotos/Klammer (a) \\ back.jpg", "Klammer (a) \\ back.jpg"},
                 {"a\\b\\c.png", "a\\b\\c.png"},
                 {"/x/&#65; &#38;.jpg", "&#38;#65; &#38;#38;.jpg"}};
    for (const auto& c : cases) {
        TSlideShow show;
        show.AddPhotos({c.path}, true);
        EXPECT_EQ(show.Fotos[0].Text, c.caption) << c.path;
    }
    // The ampersand's reference counts as one character: the CR comes before the 50th.
    EXPECT_EQ(FileNameCaption("/" + std::string(48, 'x') + "&#1"),
              std::string(48, 'x') + "&#38;\r#1");
    EXPECT_EQ(FileNameCaption("/" + std::string(49, 'x') + "&#1"),
              std::string(49, 'x') + "\r&#38;#1");
}

TEST(DeleteCurrent, NextPhotoMovesUpAndBecomesCurrent) {
    TSlideShow show;
    Fill(show, 5);
    show.CurFoto = 3;
    ASSERT_TRUE(show.DeleteCurrent());
    EXPECT_EQ(Order(show), "1245");
    EXPECT_EQ(show.CurFoto, 3);
    ASSERT_NE(show.CurrentCaption(), nullptr);
    EXPECT_EQ(*show.CurrentCaption(), "4");
}

TEST(DeleteCurrent, DeletingLastPhotoLeavesNoneCurrentAndLaterCommandsDoNothing) {
    TSlideShow show;
    Fill(show, 3);
    show.CurFoto = 3;
    ASSERT_TRUE(show.DeleteCurrent());
    EXPECT_FALSE(show.HasCurrent());
    EXPECT_EQ(show.CurrentCaption(), nullptr);
    EXPECT_FALSE(show.DeleteCurrent());
    EXPECT_FALSE(show.MoveForward());
    EXPECT_FALSE(show.MoveBack());
    EXPECT_FALSE(show.StoreCaption("neu"));
    EXPECT_EQ(Order(show), "12");
    EXPECT_EQ(show.CurFoto, 3);
}

TEST(DeleteCurrent, OutOfRangeCurrentPhotoChangesNothing) {
    for (int cur : {0, -1, 4, 1000}) {
        TSlideShow show;
        Fill(show, 3);
        show.CurFoto = cur;
        EXPECT_FALSE(show.DeleteCurrent());
        EXPECT_FALSE(show.StoreCaption("x"));
        EXPECT_EQ(Order(show), "123") << "CurFoto " << cur;
    }
}

TEST(Move, ExchangesWithNeighbourAndFollowsThePhoto) {
    TSlideShow show;
    Fill(show, 4);
    show.CurFoto = 3;
    ASSERT_TRUE(show.MoveForward());
    EXPECT_EQ(Order(show), "1324");
    EXPECT_EQ(show.CurFoto, 2);
    ASSERT_TRUE(show.MoveBack());
    ASSERT_TRUE(show.MoveBack());
    EXPECT_EQ(Order(show), "1243");
    EXPECT_EQ(show.CurFoto, 4);
    EXPECT_EQ(*show.CurrentCaption(), "3");
}

TEST(Move, ForwardOnFirstAndBackOnLastDoNothing) {
    TSlideShow show;
    Fill(show, 3);
    show.CurFoto = 1;
    EXPECT_FALSE(show.MoveForward());
    show.CurFoto = 3;
    EXPECT_FALSE(show.MoveBack());
    EXPECT_EQ(Order(show), "123");
    EXPECT_EQ(show.CurFoto, 3);
}

// Thumbnails are real images from the image library; ASan's leak check sees any that a
// delete or clear fails to release.
TEST(Thumbnails, TravelWithTheirPhotosAndAreReleasedWithTheRecord) {
    TSlideShow show;
    Fill(show, 3);
    uint8_t* bits[3];
    for (int i = 0; i < 3; ++i) {
        TDib dib;
        ASSERT_EQ(newdib(&dib, 4 + i, 4, 24, nullptr, 0), 1);
        show.Fotos[i].Thumb.reset(dib);
        bits[i] = dib.Bits;
    }
    show.CurFoto = 1;
    ASSERT_TRUE(show.MoveBack()); // order 2 1 3
    ASSERT_TRUE(show.MoveBack()); // order 2 3 1
    EXPECT_EQ(Order(show), "231");
    EXPECT_EQ(show.Fotos[0].Thumb.get()->Bits, bits[1]);
    EXPECT_EQ(show.Fotos[1].Thumb.get()->Bits, bits[2]);
    EXPECT_EQ(show.Fotos[2].Thumb.get()->Bits, bits[0]);
    EXPECT_EQ(show.Fotos[2].Thumb.get()->Info->biWidth, 4);

    show.CurFoto = 1;
    ASSERT_TRUE(show.DeleteCurrent()); // photo 2 and its thumbnail go
    EXPECT_EQ(show.Fotos[0].Thumb.get()->Bits, bits[2]);
    EXPECT_EQ(show.Fotos[1].Thumb.get()->Bits, bits[0]);
    show.AddPhotos({"/neu.jpg"}, false); // growing the list moves records, not thumbnails
    EXPECT_EQ(show.Fotos[0].Thumb.get()->Bits, bits[2]);
    EXPECT_TRUE(show.Fotos[2].Thumb.empty());
    show.FreeAllPics();
    EXPECT_EQ(show.Count(), 0);
}

// What undo and Open build on: a photo taken out comes back at its place with its thumbnail;
// positions outside the list are refused or clamped; a read show takes the open one's place.
TEST(TakeAndInsert, PhotoComesBackWithItsThumbnailAndPositionsAreChecked) {
    TSlideShow show;
    Fill(show, 4);
    TDib dib;
    ASSERT_EQ(newdib(&dib, 4, 4, 24, nullptr, 0), 1);
    show.Fotos[1].Thumb.reset(dib);
    show.CurFoto = 3;
    TFotoRecord taken = show.TakePhoto(1);
    EXPECT_EQ(Order(show), "134");
    EXPECT_EQ(show.CurFoto, 3);
    EXPECT_EQ(taken.Thumb.get()->Bits, dib.Bits);
    EXPECT_TRUE(show.TakePhoto(3).FileName.empty());
    EXPECT_TRUE(show.TakePhoto(-1).FileName.empty());
    EXPECT_EQ(Order(show), "134");
    show.InsertPhoto(1, std::move(taken));
    EXPECT_EQ(Order(show), "1234");
    EXPECT_EQ(show.Fotos[1].Thumb.get()->Bits, dib.Bits);
    show.InsertPhoto(99, show.TakePhoto(0));
    show.InsertPhoto(-5, show.TakePhoto(1));
    EXPECT_EQ(Order(show), "3241");

    TSlideShow read;
    Fill(read, 2);
    read.CurFoto = 2;
    show.ReplaceWith(read);
    EXPECT_EQ(Order(show), "12");
    EXPECT_EQ(show.CurFoto, 2);
    EXPECT_EQ(read.Count(), 0);
    EXPECT_EQ(read.CurFoto, 1);
}

TEST(StoreCaption, ReplacesOnlyTheCurrentPhotosCaption) {
    TSlideShow show;
    Fill(show, 3);
    show.CurFoto = 2;
    ASSERT_TRUE(show.StoreCaption("Zeile 1\r\nZeile 2"));
    EXPECT_EQ(show.Fotos[1].Text, "Zeile 1\r\nZeile 2");
    ASSERT_TRUE(show.StoreCaption(""));
    EXPECT_EQ(Order(show), "13");
}

TEST(FreeAllPics, EmptiesListAndMakesFirstPhotoCurrent) {
    TSlideShow show;
    Fill(show, 5);
    show.CurFoto = 5;
    show.FreeAllPics();
    EXPECT_EQ(show.Count(), 0);
    EXPECT_EQ(show.CurFoto, 1);
    EXPECT_FALSE(show.HasCurrent());
    show.AddPhotos(Paths(1), false);
    EXPECT_TRUE(show.HasCurrent());
}

TEST(NewShow, ResetsEverySettingAndClearsList) {
    TSlideShow show;
    Fill(show, 2);
    show.CurFoto = 2;
    TShowSettings s{5, 6, 0x010203, 0x040506, 0x070809, 10, 11, 12, false, true, false};
    show.NewShow(s);
    EXPECT_EQ(show.Count(), 0);
    EXPECT_EQ(show.CurFoto, 1);
    EXPECT_EQ(s.FadeTime, 1000);
    EXPECT_EQ(s.PauseTime, 3000);
    EXPECT_EQ(s.BackColor, 0xFFFFFFu);
    EXPECT_EQ(s.TextColor, 0x00FFFFu);
    EXPECT_EQ(s.OutlineColor, 0u);
    EXPECT_EQ(s.TextX, 2);
    EXPECT_EQ(s.TextY, 95);
    EXPECT_EQ(s.FontSize, 40);
    EXPECT_TRUE(s.FadeInOut);
    EXPECT_FALSE(s.FullScreen);
    EXPECT_TRUE(s.ShowPDF);
}

} // namespace
} // namespace lumeno
