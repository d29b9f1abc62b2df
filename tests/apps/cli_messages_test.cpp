// The command line's catalogue: the texts for the libraries' codes, byte for byte.
#include "messages.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

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
    EXPECT_EQ(ExportFailed(r), "Die Datei /x/y.html konnte nicht erstellt werden!");
    r.detail = EROFS;
    EXPECT_EQ(HtmlFailed(r), "Die Datei /x/y.html konnte nicht erstellt werden! Der Datenträger "
                             "ist schreibgeschützt.");
    EXPECT_EQ(ExportFailed(r), HtmlFailed(r));
    // Closing the file elsewhere is advised only when another program holds it.
    r.path = "/x/y.pdf";
    for (int busy : {EBUSY, ETXTBSY}) {
        r.detail = busy;
        EXPECT_EQ(ExportFailed(r), "Die Datei /x/y.pdf konnte nicht erstellt werden! Bitte "
                                   "schließen Sie diese Datei im Acrobat Reader, falls diese "
                                   "offen sein sollte! Die Datei wird gerade von einem anderen "
                                   "Programm benutzt.");
    }
    r.path = "/x/y.html";
    r.code = TExportCode::kWriteError;
    r.detail = ENOSPC;
    EXPECT_EQ(HtmlFailed(r), "Die Datei /x/y.html konnte nicht vollständig geschrieben werden. Auf "
                             "dem Datenträger ist nicht genug Platz. Eine schon vorhandene Datei "
                             "dieses Namens ist unverändert.");
    r.code = TExportCode::kCannotReplace;
    r.detail = EBUSY;
    EXPECT_EQ(ExportFailed(r),
              "Die Datei /x/y.html konnte nicht durch die neue ersetzt werden. Die "
              "Datei wird gerade von einem anderen Programm benutzt. Eine schon "
              "vorhandene Datei dieses Namens ist unverändert.");
    ProjectWriteResult w;
    w.code = ProjectFileError::CannotCreate;
    w.detail = EACCES;
    EXPECT_EQ(ProjectWriteFailed("/x/a.lmo", w),
              "/x/a.lmo: Fehler: Konnte Datei nicht erstellen... "
              "Keine Berechtigung, in diesen Ordner zu "
              "schreiben.");
    EXPECT_EQ(ProjectReadFailed("/x/a.lmo", ProjectFileError::CannotOpen, ENOENT),
              "/x/a.lmo: Fehler: Konnte Datei nicht öffnen... Die Datei wurde nicht gefunden.");
    r.code = TExportCode::kCancelled;
    EXPECT_EQ(ExportFailed(r), "Der PDF-Export wurde abgebrochen.");
}

// Every failure a user meets on a disk has its own sentence; any other number names the
// system's own text, and no number ever reads "I/O error".
TEST(CliMessages, FileFailureReasons) {
    const struct {
        int error;
        TFileAccess access;
        const char* text;
    } cases[] = {
        {0, TFileAccess::kWrite, ""},
        {ENOSPC, TFileAccess::kWrite, "Auf dem Datenträger ist nicht genug Platz."},
        {EFBIG, TFileAccess::kWrite, "Auf dem Datenträger ist nicht genug Platz."},
        {EDQUOT, TFileAccess::kWrite, "Auf dem Datenträger ist nicht genug Platz."},
        {EACCES, TFileAccess::kWrite, "Keine Berechtigung, in diesen Ordner zu schreiben."},
        {EPERM, TFileAccess::kWrite, "Keine Berechtigung, in diesen Ordner zu schreiben."},
        {EACCES, TFileAccess::kRead, "Keine Berechtigung, diese Datei zu lesen."},
        {EROFS, TFileAccess::kWrite, "Der Datenträger ist schreibgeschützt."},
        {ENOENT, TFileAccess::kWrite, "Der Ordner existiert nicht."},
        {ENOENT, TFileAccess::kRead, "Die Datei wurde nicht gefunden."},
        {EBUSY, TFileAccess::kWrite, "Die Datei wird gerade von einem anderen Programm benutzt."},
        {EISDIR, TFileAccess::kWrite, "Unter diesem Namen gibt es einen Ordner."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileFailureReason(c.error, c.access), c.text) << c.error;
    const std::string other = FileFailureReason(EXDEV, TFileAccess::kWrite);
    EXPECT_EQ(other, "Das System meldet Fehler " + std::to_string(EXDEV) + ": " +
                         std::strerror(EXDEV) + ".");
}

} // namespace
} // namespace lumeno::cli
