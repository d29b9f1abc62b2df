#pragma once
// What the window and the command line name alike, kept once so they cannot drift apart: the
// colour list (a colour the command line accepts by name is the one the window lists under
// that name) and the words of the exported documents (a show exports to the same bytes from
// either front end), and the sentences that say why a file could not be read or written.
// Messages stay in each front end's own catalogue. All texts are UTF-8.
#include "lumeno/export/document_texts.h"

#include <cstdint>
#include <string>

namespace lumeno::frontend {

// One entry of the colour list: its names in the colour box's three languages and its colour
// (0x00BBGGRR).
struct TNamedColour {
    const char* Deutsch;
    const char* English;
    const char* Frensh;
    uint32_t Colour;
};

// The colour list, index 0 ("Schwarz") to 15 ("Weiß"), in the colour box's order.
inline constexpr int kNamedColourCount = 16;
extern const TNamedColour kNamedColours[kNamedColourCount];

// The words of the exported documents: the photo pages' text page, the HTML slide show's
// language and title, encoded as TDocumentWords says.
TDocumentWords DocumentWords();

// Why reading or writing a file failed, as one sentence, for the system's error number
// (errno); empty for 0. A number without a sentence of its own gets the system's text.
enum class TFileAccess { kRead, kWrite };
std::string FileFailureSentence(int error, TFileAccess access);

// True when `error` says another program holds the file (EBUSY, ETXTBSY; the Windows file
// calls report a sharing or lock violation as EBUSY): only then may a message advise closing
// it there.
bool FileInUse(int error);

} // namespace lumeno::frontend
