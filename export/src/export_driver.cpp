// The export driver: photo preparation on worker threads, written in show order.
#include "lumeno/export/export_driver.h"

#include "black_jpeg.h"
#include "export_finish.h"
#include "lumeno/bitmap/dib_ops.h"
#include "lumeno/core/file.h"
#include "lumeno/export/byte_sink.h"
#include "lumeno/export/html_show.h"
#include "lumeno/export/output_encoding.h"
#include "lumeno/export/pdf_writer.h"
#include "lumeno/export/photo_pages.h"
#include "lumeno/export/shell_open.h"
#include "lumeno/export/svg_document.h"
#include "photo_pool.h"
#include "video_export.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

namespace lumeno {

std::vector<TExportPhoto> ExportPhotosOf(const TDynaArray<TFotoRecord>& fotos) {
    std::vector<TExportPhoto> out;
    out.reserve(static_cast<size_t>(fotos.Count()));
    for (const TFotoRecord& f : fotos)
        out.push_back({f.FileName, f.Text});
    return out;
}

namespace {

// A photo file's bytes when it is a JPEG; false for any other file (only its first bytes
// are read then) or when it cannot be read whole.
bool ReadJpegFile(const std::string& name, std::vector<uint8_t>& out) {
    TFile file = OpenFile(name, TFileMode::kRead);
    if (!file) return false;
    const int64_t size = file.Size();
    uint8_t head[3];
    if (size < 4 || std::fread(head, 1, sizeof head, file.get()) != sizeof head ||
        head[0] != 0xFF || head[1] != 0xD8 || head[2] != 0xFF)
        return false;
    out.resize(static_cast<size_t>(size));
    std::copy(std::begin(head), std::end(head), out.begin());
    const size_t rest = out.size() - sizeof head;
    return std::fread(out.data() + sizeof head, 1, rest, file.get()) == rest;
}

// Owns what JpegColourProfile made.
struct TOwnedJpegData {
    TJpegData data;
    ~TOwnedJpegData() { FreeJpegData(&data); }
};

// The facts of a photo file that is a JPEG a PDF viewer shows as it is; false for every
// other file. `bytes` gets the file's bytes.
bool ShowableJpeg(const std::string& fileName, std::vector<uint8_t>& bytes, TJpegFacts& facts) {
    return ReadJpegFile(fileName, bytes) &&
           InspectJpeg(bytes.data(), bytes.size(), &facts) == TJpegCheck::kShowable;
}

// The photo's own JPEG data, when a PDF viewer shows them as they are, unchanged up to the
// end marker. An EXIF orientation is kept with them: the pages and the presentation turn
// the picture when they place it, so no pixel is lost. False sends the photo the normal way
// (load and encode).
bool TakeOverJpeg(const std::string& fileName, TJpegImage& out, bool& brokenProfile) {
    std::vector<uint8_t> bytes;
    TJpegFacts facts;
    if (!ShowableJpeg(fileName, bytes, facts)) return false;
    bytes.resize(facts.Size);
    // A profile goes with the data to the viewer; one a viewer cannot take with these data
    // (a colour profile on grey data) sends the photo the converting way.
    TOwnedJpegData profile;
    const TDibColour colour = JpegColourProfile(bytes.data(), bytes.size(), &profile.data);
    brokenProfile = colour == TDibColour::kBroken;
    if (colour == TDibColour::kConverted) {
        if (!profile.data.Data) return false;
        out.Profile.assign(profile.data.Data, profile.data.Data + profile.data.Size);
    }
    out.Bytes = std::move(bytes);
    out.Width = facts.Width;
    out.Height = facts.Height;
    out.Grey = facts.Components == 1;
    out.Orientation = facts.Orientation >= 1 && facts.Orientation <= 8 ? facts.Orientation : 1;
    return true;
}

// How the presentation must turn each photo that will be taken over: the presentation is
// written before the first photo, so the files are looked at once beforehand. A file that
// changes between the two looks is placed as it was seen here.
std::vector<TSvgTurn> PlanTurns(const std::vector<TExportPhoto>& photos) {
    std::vector<TSvgTurn> turns(photos.size());
    for (size_t i = 0; i < photos.size(); ++i) {
        std::vector<uint8_t> bytes;
        TJpegFacts facts;
        if (ShowableJpeg(photos[i].FileName, bytes, facts) && facts.Orientation >= 2 &&
            facts.Orientation <= 8)
            turns[i] = {facts.Width, facts.Height, facts.Orientation};
    }
    return turns;
}

enum class TPhotoState { kPhoto, kBlackPicture, kFallback, kTakenOver };

struct TPrepared {
    TJpegImage jpeg;
    TPhotoState state = TPhotoState::kPhoto;
    TPhotoProblem problem = TPhotoProblem::kNotEncoded; // for kBlackPicture and kFallback
    bool brokenProfile = false; // its colour profile was unusable, the colours taken as sRGB
};

// Forwards OpenDib's percentages to an atomic the writer thread reads.
class TPercentOwner final : public TDibLoadOwner {
  public:
    explicit TPercentOwner(std::atomic<int>& target) : target_(target) {}
    void DibLoadProgress(int percent) override { target_.store(percent); }

  private:
    std::atomic<int>& target_;
};

TJpegImage BlackJpeg() {
    TJpegImage out;
    out.Bytes.assign(std::begin(kBlackJpeg), std::end(kBlackJpeg));
    out.Width = kBlackJpegWidth;
    out.Height = kBlackJpegHeight;
    return out;
}

// How the photos are prepared: their own JPEGs taken over where possible, and a size they
// are made to fit (0: as they are).
struct TPhotoRules {
    bool KeepJpeg = false;
    int MaxWidth = 0, MaxHeight = 0;
};

// Whether a photo of the upright size w x h is larger than the rules' size.
bool TooLarge(const TPhotoRules& rules, int64_t w, int64_t h) {
    return rules.MaxWidth > 0 && (w > rules.MaxWidth || h > rules.MaxHeight);
}

// Loads the photo at a size that fits the rules' size (never enlarged, averaged down) as 24
// bits; false when it cannot be loaded.
bool LoadFitted(const std::string& fileName, const TPhotoRules& rules, TPercentOwner& owner,
                ScopedDib& image) {
    int fullWidth = 0, fullHeight = 0;
    TDib loaded{};
    if (OpenDibReduced(&loaded, fileName.c_str(), rules.MaxWidth, rules.MaxHeight, &fullWidth,
                       &fullHeight, &owner) != 1 ||
        !loaded.Bits) {
        deldib(&loaded);
        return false;
    }
    image.reset(loaded);
    if (image->Info->biBitCount != 24) ConvertTo24Bit(*image.get());
    const int w = image->Info->biWidth, h = std::abs(image->Info->biHeight);
    if (!TooLarge(rules, w, h)) return true;
    const double scale =
        std::min(static_cast<double>(rules.MaxWidth) / w, static_cast<double>(rules.MaxHeight) / h);
    const int fw = std::max(1, static_cast<int>(std::lround(w * scale)));
    const int fh = std::max(1, static_cast<int>(std::lround(h * scale)));
    TDib fitted = ShrinkAveraged(*image.get(), std::min(fw, w), std::min(fh, h));
    if (!fitted.Bits) return false;
    image.reset(fitted);
    return true;
}

// With keepJpeg, a JPEG a PDF viewer shows as it is is taken over (TakeOverJpeg). Else:
// load, make 24 bits, write a JPEG through a temporary file and read it back; an upright
// colour JPEG goes from file to file in one pass (RecodeJpegFile: the same bytes, or for some
// profiled photos the same colours). Every photo ends with a JPEG: one that cannot be loaded
// is a black 320 x 200 picture, one whose JPEG cannot be written or read back gets a prepared
// black JPEG of that size.
TPrepared PreparePhoto(const TExportPhoto& photo, std::atomic<int>& percent,
                       const TPhotoRules& rules) {
    TPrepared out;
    try {
        if (rules.KeepJpeg && TakeOverJpeg(photo.FileName, out.jpeg, out.brokenProfile)) {
            const bool quarter = TurnsByAQuarter(out.jpeg.Orientation);
            if (!TooLarge(rules, quarter ? out.jpeg.Height : out.jpeg.Width,
                          quarter ? out.jpeg.Width : out.jpeg.Height)) {
                out.state = TPhotoState::kTakenOver;
                return out;
            }
            out.jpeg = TJpegImage{};
            out.brokenProfile = false;
        }
        TPercentOwner owner(percent);
        TTempFile temp("tempim", ".jpg");
        int width = 0, height = 0;
        // A photo made to fit is always loaded; every other one first tries the one pass.
        bool written = rules.MaxWidth == 0 && !temp.Name().empty() &&
                       RecodeJpegFile(photo.FileName.c_str(), temp.Name().c_str(), &width, &height,
                                      &owner) == 1;
        if (!written) {
            ScopedDib image;
            bool loaded = false;
            if (rules.MaxWidth > 0) {
                loaded = LoadFitted(photo.FileName, rules, owner, image);
            } else {
                OpenDib(image.get(), photo.FileName.c_str(), -1, &owner);
                loaded = !image.empty();
            }
            out.brokenProfile = LastDibColour() == TDibColour::kBroken;
            if (!loaded) {
                image.reset();
                out.state = TPhotoState::kBlackPicture;
                out.problem = WhyPhotoUnreadable(photo.FileName);
                if (newdib(image.get(), 320, 200, 24, nullptr, 0) != 1) {
                    out.jpeg = BlackJpeg();
                    return out;
                }
            }
            if (image->Info->biBitCount != 24) ConvertTo24Bit(*image.get());
            width = image->Info->biWidth;
            height = std::abs(image->Info->biHeight);
            written = !temp.Name().empty() && SaveDib(image.get(), temp.Name().c_str(), 7, 0) == 1;
        }
        if (written && ReadWholeFile(temp.Name(), out.jpeg.Bytes) == 0 && !out.jpeg.Bytes.empty()) {
            out.jpeg.Width = width;
            out.jpeg.Height = height;
            return out;
        }
    } catch (const std::exception&) {
        // out of memory for a huge photo: handled like a JPEG that cannot be written
    }
    if (out.state == TPhotoState::kBlackPicture) {
        out.jpeg = BlackJpeg(); // still black: the reason stays that of the failed load
        return out;
    }
    out.state = TPhotoState::kFallback;
    out.problem = TPhotoProblem::kNotEncoded;
    out.jpeg = BlackJpeg();
    return out;
}

// What the report says of photo k as the writer takes it.
void CountPhoto(TExportResult& result, const TPrepared& prepared, int k,
                const std::string& fileName) {
    if (prepared.state == TPhotoState::kBlackPicture) ++result.blackPictures;
    if (prepared.state == TPhotoState::kFallback) ++result.fallbackPictures;
    if (prepared.state == TPhotoState::kBlackPicture || prepared.state == TPhotoState::kFallback)
        result.unreadable.push_back({k, fileName, prepared.problem});
    if (prepared.state == TPhotoState::kTakenOver) ++result.takenOver;
    if (prepared.brokenProfile) result.brokenProfiles.push_back({k, fileName});
    ++result.photos;
}

// The writer's outcome as the export's code; false when the export failed with it.
bool TakeWriterOutcome(TExportResult& result, const TPdfResult& pdf) {
    switch (pdf.code) {
    case TPdfCode::kOk:
        return true;
    case TPdfCode::kCannotCreate:
        result.code = TExportCode::kCannotCreate;
        result.detail = pdf.detail;
        return false;
    case TPdfCode::kWriteError:
        result.code = TExportCode::kWriteError;
        result.detail = pdf.detail;
        return false;
    case TPdfCode::kFileTooLarge:
        result.code = TExportCode::kFileTooLarge;
        return false;
    case TPdfCode::kStopped:
        result.code = TExportCode::kCancelled;
        return false;
    }
    return false;
}

} // namespace

void CommitAndOpen(TAtomicFile& output, const TShowSettings& settings, const std::string& path,
                   const TExportOptions& options, TExportResult& result) {
    if (const int error = output.Commit()) {
        result.code = output.FailedStep() == TWriteStep::kReplace ? TExportCode::kCannotReplace
                                                                  : TExportCode::kWriteError;
        result.detail = error;
        return;
    }
    result.ok = true;
    if (settings.ShowPDF) {
        const std::string shortName = ShortFileName(path);
        if (options.Open)
            options.Open(shortName.empty() ? path : shortName);
        else
            ShellOpenFile(shortName.empty() ? path : shortName);
    }
}

TExportResult ExportSlideShow(const std::vector<TExportPhoto>& photos,
                              const TShowSettings& settings, const std::string& path,
                              const TExportOptions& options) {
    if (options.Video) return ExportVideoShow(photos, settings, path, options);
    TExportResult result;
    result.path = path;
    TExportProgress fallbackProgress;
    TExportProgress& progress = options.Progress ? *options.Progress : fallbackProgress;
    const int n = static_cast<int>(photos.size());

    std::vector<std::string> captions;
    captions.reserve(photos.size());
    for (const auto& p : photos)
        captions.push_back(p.Text);
    std::vector<uint8_t> svg;
    const std::vector<TSvgTurn> turns =
        options.KeepJpeg && !options.Html ? PlanTurns(photos) : std::vector<TSvgTurn>();
    if (!ZlibCompress(BuildSvgDocument(captions, settings, turns), svg)) {
        result.code = TExportCode::kCompressError;
        return result;
    }

    SetJPEGQual(90);
    int jobs = options.Jobs > 0
                   ? options.Jobs
                   : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    jobs = std::max(1, std::min(jobs, 64));

    // The bytes go to a new file beside `path`, which takes its place only when complete,
    // flushed and forced onto the disk: a failed or cancelled export leaves the old file as
    // it was (TAtomicFile).
    TAtomicFile output;
    if (const int error = output.Begin(path)) {
        result.code = TExportCode::kCannotCreate;
        result.detail = error;
        return result;
    }
    bool cancelled = false;
    TPdfResult pdf;
    {
        TPhotoRules rules;
        rules.KeepJpeg = options.KeepJpeg;
        if (options.Html && !options.HtmlFullSize) {
            rules.MaxWidth = kHtmlPhotoWidth;
            rules.MaxHeight = kHtmlPhotoHeight;
        }
        TPhotoPool<TPrepared> pool(photos, jobs,
                                   [&rules](const TExportPhoto& photo, std::atomic<int>& percent) {
                                       return PreparePhoto(photo, percent, rules);
                                   });
        int lastPercent = -1;
        auto tick = [&](int percent) {
            if (percent >= 0 && percent != lastPercent) {
                lastPercent = percent;
                progress.PhotoLoadProgress(percent);
            }
            progress.Pump();
            if (progress.CancelRequested()) cancelled = true;
            return !cancelled;
        };
        auto source = [&](int k) -> std::optional<TJpegImage> {
            if (k > 1) progress.PhotoDone(k - 1, n);
            progress.Pump();
            if (progress.CancelRequested()) cancelled = true;
            if (cancelled) return std::nullopt;
            lastPercent = -1;
            std::optional<TPrepared> prepared = pool.Take(k, tick);
            if (!prepared) return std::nullopt;
            if (lastPercent != 100) progress.PhotoLoadProgress(100);
            CountPhoto(result, *prepared, k, photos[static_cast<size_t>(k - 1)].FileName);
            if (k == n) progress.Writing();
            return std::move(prepared->jpeg);
        };
        if (n == 0) progress.Writing();
        if (options.Html) {
            pdf = WriteHtmlSlideShow(output.WriteName(), captions, settings, source, options.Words,
                                     options.Loop);
        } else {
            // The sink buffers itself; the stream passes every block straight on.
            std::setvbuf(output.File().get(), nullptr, _IONBF, 0);
            TFileSink sink(output.File());
            const TPhotoPages pages{settings, captions, options.Words.PhotoPagesTextPage};
            pdf = WritePdfSlideShow(sink, settings.FullScreen, svg, n, source,
                                    options.PhotoPages ? &pages : nullptr);
        }
        // Gone before the photos still being prepared are waited for: a cancel leaves nothing.
        if (!pdf.ok) output.Discard();
    }
    if (pdf.ok && n > 0) progress.PhotoDone(n, n);
    result.missingCharacters = pdf.missing;

    if (!TakeWriterOutcome(result, pdf)) return result;
    CommitAndOpen(output, settings, path, options, result);
    return result;
}

} // namespace lumeno
