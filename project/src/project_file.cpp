#include "lumeno/project/project_file.h"

#include "lumeno/core/file.h"
#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace lumeno {
namespace {

namespace fs = std::filesystem;

// ---- writing ---------------------------------------------------------------------------

void PutU32(std::string& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

void PutI32(std::string& out, int32_t value) {
    PutU32(out, static_cast<uint32_t>(value));
}

void PutText(std::string& out, const std::string& text) {
    PutI32(out, static_cast<int32_t>(text.size()));
    out += text;
}

// ---- reading ---------------------------------------------------------------------------

// Where the reader takes its bytes from; Read returns how many bytes it delivered.
class ByteSource {
  public:
    virtual size_t Read(char* out, size_t count) = 0;
    // Bytes not read yet.
    virtual uint64_t Remaining() = 0;

  protected:
    ~ByteSource() = default;
};

class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    size_t Read(char* out, size_t count) override {
        count = std::min(count, bytes_.size() - pos_);
        if (count == 0) return 0; // an empty view may have no data pointer at all
        std::memcpy(out, bytes_.data() + pos_, count);
        pos_ += count;
        return count;
    }
    uint64_t Remaining() override { return bytes_.size() - pos_; }

  private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

class FileSource final : public ByteSource {
  public:
    FileSource(std::FILE* file, const std::string& fileName) : file_(file), name_(fileName) {}
    size_t Read(char* out, size_t count) override {
        const size_t got = std::fread(out, 1, count, file_);
        pos_ += got;
        return got;
    }
    uint64_t Remaining() override {
        std::error_code ec;
        const uintmax_t size = fs::file_size(name_, ec);
        if (!ec) return size > pos_ ? size - pos_ : 0;
        // The size is unknown: count what is left by reading it.
        uint64_t rest = 0;
        char chunk[4096];
        while (size_t got = Read(chunk, sizeof chunk))
            rest += got;
        return rest;
    }

  private:
    std::FILE* file_;
    std::string name_;
    uint64_t pos_ = 0;
};

bool GetBytes(ByteSource& in, void* out, size_t count) {
    return in.Read(static_cast<char*>(out), count) == count;
}

bool GetU32(ByteSource& in, uint32_t& value) {
    unsigned char b[4];
    if (!GetBytes(in, b, 4)) return false;
    value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
}

bool GetI32(ByteSource& in, int32_t& value) {
    uint32_t raw;
    if (!GetU32(in, raw)) return false;
    value = static_cast<int32_t>(raw);
    return true;
}

// A length-prefixed text. The length is never trusted as an allocation size: the text grows
// only by what was actually read, in bounded chunks. Texts are zero-terminated in the show,
// so a zero byte ends the text.
bool GetText(ByteSource& in, std::string& text) {
    int32_t length;
    if (!GetI32(in, length) || length < 0) return false;
    text.clear();
    size_t left = static_cast<size_t>(length);
    char chunk[65536];
    while (left > 0) {
        const size_t want = std::min(left, sizeof chunk);
        const size_t got = in.Read(chunk, want);
        text.append(chunk, got);
        if (got != want) return false;
        left -= got;
    }
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return true;
}

int32_t ClampTime(int32_t value) {
    return std::clamp(value, kMinTime, kMaxTime);
}

// Reads the trailer field by field; a field read completely is taken even when a later one
// is missing. Returns true when all 35 bytes were there.
bool GetTrailer(ByteSource& in, TShowSettings& s) {
    uint8_t byte;
    int32_t number;
    uint32_t colour;
    if (!GetBytes(in, &byte, 1)) return false;
    s.ShowPDF = byte != 0;
    if (!GetI32(in, number)) return false;
    s.FadeTime = ClampTime(number);
    if (!GetI32(in, number)) return false;
    s.PauseTime = ClampTime(number);
    if (!GetU32(in, colour)) return false;
    s.BackColor = colour;
    if (!GetU32(in, colour)) return false;
    s.OutlineColor = colour;
    if (!GetU32(in, colour)) return false;
    s.TextColor = colour;
    if (!GetI32(in, number)) return false;
    s.TextX = number;
    if (!GetI32(in, number)) return false;
    s.TextY = number;
    if (!GetI32(in, number)) return false;
    s.FontSize = number;
    if (!GetBytes(in, &byte, 1)) return false;
    s.FadeInOut = byte == 1;
    if (!GetBytes(in, &byte, 1)) return false;
    s.FullScreen = byte != 0;
    return true;
}

// Everything after opening: the show is cleared before the marker is looked at.
ProjectReadResult ReadFrom(ByteSource& in, TSlideShow& show, const TShowSettings& current) {
    ProjectReadResult result;
    result.settings = current;
    show.FreeAllPics();

    uint32_t marker = 0;
    if (!GetU32(in, marker) || marker != kLmoMarker) {
        result.code = ProjectFileError::NotLumeno;
        return result;
    }
    result.markerValid = true;
    result.code = ProjectFileError::Damaged;

    int32_t count;
    if (!GetI32(in, count)) return result;
    for (int32_t i = 0; i < count; ++i) {
        // The record is appended only once the entry was read completely.
        std::string fileName, text;
        if (!GetText(in, fileName) || !GetText(in, text)) return result;
        TFotoRecord& foto = show.Fotos.Append();
        foto.FileName = std::move(fileName);
        foto.Text = std::move(text);
    }
    if (!GetTrailer(in, result.settings)) return result;

    result.ok = true;
    result.ignoredBytes = in.Remaining();
    result.code = result.ignoredBytes ? ProjectFileError::TrailingData : ProjectFileError::None;
    return result;
}

} // namespace

std::string ProjectFileBytes(const TSlideShow& show, const TShowSettings& s) {
    std::string out;
    PutU32(out, kLmoMarker);
    PutI32(out, show.Count());
    for (const TFotoRecord& foto : show.Fotos) {
        PutText(out, foto.FileName);
        PutText(out, foto.Text);
    }
    out += static_cast<char>(s.ShowPDF ? 1 : 0);
    PutI32(out, s.FadeTime);
    PutI32(out, s.PauseTime);
    PutU32(out, s.BackColor);
    PutU32(out, s.OutlineColor);
    PutU32(out, s.TextColor);
    PutI32(out, s.TextX);
    PutI32(out, s.TextY);
    PutI32(out, s.FontSize);
    out += static_cast<char>(s.FadeInOut ? 1 : 0);
    out += static_cast<char>(s.FullScreen ? 1 : 0);
    return out;
}

ProjectWriteResult WriteProjectFile(const std::string& fileName, const TSlideShow& show,
                                    const TShowSettings& settings, bool ownerOnly) {
    ProjectWriteResult result;
    const auto fail = [&result](ProjectFileError code, int detail) {
        result.code = code;
        result.detail = detail;
        return result;
    };
    for (const TFotoRecord& foto : show.Fotos)
        if (foto.FileName.size() > INT32_MAX || foto.Text.size() > INT32_MAX)
            return fail(ProjectFileError::CannotCreate, EFBIG);

    // Written beside the file and renamed over it only when complete (TAtomicFile): a link
    // survives, a read-only file stays as it is, a replaced file keeps its rights.
    TAtomicFile file;
    if (const int error = file.Begin(fileName, {.Sync = true, .OwnerOnly = ownerOnly}))
        return fail(ProjectFileError::CannotCreate, error);
    const std::string bytes = ProjectFileBytes(show, settings);
    int error = file.File().Write(bytes.data(), bytes.size());
    if (!error) error = file.Commit();
    if (error) {
        file.Discard();
        return fail(file.FailedStep() == TWriteStep::kCreate ? ProjectFileError::CannotCreate
                                                             : ProjectFileError::WriteFailed,
                    error);
    }
    result.ok = true;
    return result;
}

ProjectReadResult ReadProjectFile(const std::string& fileName, TSlideShow& show,
                                  const TShowSettings& current) {
    errno = 0;
    TFile file = OpenFile(fileName, TFileMode::kRead);
    if (!file) {
        ProjectReadResult result;
        result.settings = current;
        result.code = ProjectFileError::CannotOpen;
        result.detail = errno ? errno : EIO;
        return result;
    }
    FileSource source(file.get(), fileName);
    return ReadFrom(source, show, current);
}

ProjectReadResult ReadProjectBytes(std::string_view bytes, TSlideShow& show,
                                   const TShowSettings& current) {
    MemorySource source(bytes);
    return ReadFrom(source, show, current);
}

} // namespace lumeno
