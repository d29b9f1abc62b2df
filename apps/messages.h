#pragma once
// Every German text of lumeno-export: the help, the messages for bad command lines, the
// progress line and the closing summary. The lower layers return codes; they become words
// here and nowhere else. All texts are UTF-8.
#include "lumeno/export/export_driver.h"
#include "lumeno/frontend/shared_words.h"
#include "lumeno/project/project_file.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lumeno::cli {

// The text of --help (also shown after an unknown option).
std::string_view Usage();

// Command-line faults; each ends the program with exit code 2 before anything is written.
std::string UnknownOption(std::string_view option);
std::string MissingPdfName(std::string_view option);
std::string MissingHtmlName(std::string_view option);
std::string MissingProjectName(std::string_view option);
std::string MissingVideoName(std::string_view option);
// A --video-size that is no "BxH" of even numbers within the video's limits.
std::string BadVideoSize(std::string_view option, std::string_view value);
std::string VideoOptionsWithoutVideo();
std::string VideoIsInputOrOutput(std::string_view video);
// A music file that is missing or holds no sound FFmpeg can decode.
std::string MusicUnreadable(std::string_view option, std::string_view path);
std::string MissingValue(std::string_view option);
// A value that is no whole number, or one outside lo..hi.
std::string BadNumber(std::string_view option, std::string_view value, int64_t lo, int64_t hi);
// A colour that is neither a name of the colour list (lumeno/frontend/shared_words.h) nor
// #RRGGBB.
std::string BadColour(std::string_view option, std::string_view value);
std::string NoPhotos();
std::string NeedProjectOrPhotos();
std::string CaptionsOnlyForPhotos();
std::string PdfIsInput(std::string_view pdf, std::string_view input);
std::string HtmlIsInputOrPdf(std::string_view html);
std::string ProjectIsInputOrOutput(std::string_view project);

// Results of the lower layers.
// Why reading or writing a file failed (shared with the window).
using frontend::TFileAccess;
inline std::string FileFailureReason(int error, TFileAccess access) {
    return frontend::FileFailureSentence(error, access);
}
// The text for a project file code; empty for None.
std::string ProjectFileText(ProjectFileError code);
// "path: text reason" (the reason only for a non-zero `detail`).
std::string ProjectReadFailed(std::string_view path, ProjectFileError code, int detail = 0);
std::string ProjectWriteFailed(std::string_view path, const ProjectWriteResult& result);
std::string ExportFailed(const TExportResult& result);
std::string HtmlFailed(const TExportResult& result);
std::string VideoFailed(const TExportResult& result);

// The progress line: "Foto 3 von 10 | 1,5 Fotos/s | noch 0:05", and while a photo loads
// " | Foto 4 lädt: 40 %" (loadingPercent < 0: none). elapsedSeconds 0: no rate yet.
std::string ProgressLine(int done, int total, double elapsedSeconds, int loadingPercent);

// Why a photo went into the file as a black picture, one sentence.
std::string PhotoProblemText(TPhotoProblem problem);
// One warning line for such a photo: its position, its file and the reason.
std::string UnreadablePhotoLine(const TUnreadablePhoto& photo);
std::string BrokenProfileLine(const TProfileWarning& photo);

// The closing lines on standard error.
std::string PdfWritten(const TExportResult& result);
std::string HtmlWritten(std::string_view path);
std::string VideoWritten(std::string_view path);
std::string ProjectWritten(std::string_view path);

} // namespace lumeno::cli
