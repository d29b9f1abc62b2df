// The command line's catalogue: the texts for the libraries' codes, byte for byte.
#include "messages.h"

#include <gtest/gtest.h>

namespace lumeno::cli {
namespace {

TEST(CliMessages, ProjectFileCodes) {
    EXPECT_EQ(ProjectFileText(ProjectFileError::None), "");
    EXPECT_EQ(ProjectFileText(ProjectFileError::CannotOpen),
              "Fehler: Konnte Datei nicht öffnen...");
    EXPECT_EQ(ProjectFileText(ProjectFileError::NotLumeno),
              "Fehler: Die Datei ist keine gültige PDF Lumeno Datei...");
    for (ProjectFileError e : {ProjectFileError::CannotCreate, ProjectFileError::Damaged,
                               ProjectFileError::WriteFailed, ProjectFileError::TrailingData})
        EXPECT_FALSE(ProjectFileText(e).empty());
}

TEST(CliMessages, ExportCodes) {
    TExportResult r;
    r.path = "/x/y.html";
    r.code = TExportCode::kCannotCreate;
    EXPECT_EQ(HtmlFailed(r), "Die Datei /x/y.html konnte nicht erstellt werden!");
    EXPECT_EQ(ExportFailed(r), "Die Datei /x/y.html konnte nicht erstellt werden! Bitte schließen "
                               "Sie diese Datei im Acrobat Reader, falls diese offen sein sollte!");
    r.code = TExportCode::kWriteError;
    r.detail = 28;
    EXPECT_EQ(HtmlFailed(r), "I/O error 28");
    r.code = TExportCode::kCancelled;
    EXPECT_EQ(ExportFailed(r), "Der PDF-Export wurde abgebrochen.");
}

} // namespace
} // namespace lumeno::cli
