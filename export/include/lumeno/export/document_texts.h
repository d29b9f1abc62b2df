#pragma once
// Every word that goes into an exported document, in one place: the PDF's text page (its
// default wording byte for byte, and the wording of a file whose photo pages play by
// themselves) and the words inside the HTML slide show. Window and command-line messages
// are not here; they belong to their front ends.
#include <string>
#include <vector>

namespace lumeno {

// The web address the default text page names for downloading a viewer.
inline constexpr const char* kViewerDownloadUrl = "https://www.pdflumeno.de/viewer";

// The default text page, one entry per line, as the text between "(" and ") Tj" (ASCII).
std::vector<std::string> DefaultTextPageLines();

// The text page of a file with photo pages, which stands after the photos: UTF-8, every
// character in MacRoman (the text page's font encoding), one entry per line.
std::vector<std::string> PhotoPagesTextPageLines();

// The HTML slide show: the page's language and its default title (UTF-8).
inline constexpr const char* kHtmlShowLanguage = "de";
inline constexpr const char* kHtmlShowTitle = "Diashow";

} // namespace lumeno
