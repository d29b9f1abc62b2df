#pragma once
// The words that go into an exported document. The default text page is fixed English, byte
// for byte, and lives here; every word in the user's language (the text page of a file whose
// photo pages play by themselves, the HTML slide show's language and title) comes from the
// front end's catalogue in TDocumentWords, like the window and command-line messages.
#include <string>
#include <vector>

namespace lumeno {

// The web address the default text page names for downloading a viewer.
inline constexpr const char* kViewerDownloadUrl = "https://www.pdflumeno.de/viewer";

// The default text page, one entry per line, as the text between "(" and ") Tj" (ASCII).
std::vector<std::string> DefaultTextPageLines();

// The words a front end gives an exported document.
struct TDocumentWords {
    // The text page of a file with photo pages, which stands after the photos: UTF-8, every
    // character in MacRoman (the text page's font encoding), one entry per line.
    std::vector<std::string> PhotoPagesTextPage;
    // The HTML slide show: the page's language tag (ASCII) and its title (Windows-1252).
    std::string HtmlLanguage;
    std::string HtmlTitle;
};

} // namespace lumeno
