// The file owner, whole-file reading, temporary files and replacing writes; the system calls
// are in file_posix.cpp / file_win.cpp.
#include "lumeno/core/file.h"

#include "file_platform.h"
#include "lumeno/core/number_text.h"

#include <cerrno>

namespace lumeno {
namespace {

int ErrnoOr(int fallback) {
    return errno ? errno : fallback;
}

} // namespace

TFile::~TFile() {
    if (file_) std::fclose(file_);
}

TFile& TFile::operator=(TFile&& other) noexcept {
    if (this != &other) {
        if (file_) std::fclose(file_);
        file_ = other.file_;
        other.file_ = nullptr;
    }
    return *this;
}

int64_t TFile::Size() const {
    if (!file_) {
        errno = EBADF;
        return -1;
    }
    return file_platform::Size(file_);
}

bool TFile::IsPlainFile() const {
    return file_ && file_platform::IsPlainFile(file_);
}

int TFile::Write(const void* data, size_t size) {
    if (!file_) return EBADF;
    if (size == 0) return 0;
    errno = 0;
    return std::fwrite(data, 1, size, file_) == size ? 0 : ErrnoOr(EIO);
}

int TFile::Sync() {
    if (!file_) return EBADF;
    errno = 0;
    if (std::fflush(file_) != 0) return ErrnoOr(EIO);
    return file_platform::Sync(file_);
}

int TFile::Close() {
    if (!file_) return 0;
    std::FILE* file = file_;
    file_ = nullptr;
    errno = 0;
    int error = std::fflush(file) != 0 ? ErrnoOr(EIO) : 0;
    errno = 0;
    if (std::fclose(file) != 0 && !error) error = ErrnoOr(EIO);
    return error;
}

TFile OpenFile(const std::string& name, TFileMode mode) {
    return TFile(file_platform::Open(name, mode, false));
}

bool RemoveFile(const std::string& name) {
    const int error = file_platform::Remove(name);
    if (error) errno = error;
    return error == 0;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
    const int error = file_platform::Replace(from, to);
    if (error) errno = error;
    return error == 0;
}

int ReadWholeFile(const std::string& name, uint64_t maxBytes, const TReadBuffer& buffer,
                  size_t& got) {
    got = 0;
    errno = 0;
    TFile file = OpenFile(name, TFileMode::kRead);
    if (!file) return ErrnoOr(EIO);
    const int64_t size = file.Size();
    if (size < 0) return ErrnoOr(EIO);
    if (static_cast<uint64_t>(size) > maxBytes || static_cast<uint64_t>(size) > SIZE_MAX - 1)
        return EFBIG;
    uint8_t* out = buffer(static_cast<size_t>(size));
    if (!out && size > 0) return ENOMEM;
    if (size == 0) return 0;
    // A file that shrank meanwhile is read as far as it goes.
    errno = 0;
    got = std::fread(out, 1, static_cast<size_t>(size), file.get());
    if (std::ferror(file.get())) {
        got = 0;
        return ErrnoOr(EIO);
    }
    return 0;
}

int ReadWholeFile(const std::string& name, std::vector<uint8_t>& out, uint64_t maxBytes) {
    size_t got = 0;
    const int error = ReadWholeFile(
        name, maxBytes,
        [&out](size_t size) {
            out.resize(size);
            return out.data();
        },
        got);
    out.resize(error ? 0 : got);
    return error;
}

std::string TempFolder() {
    return file_platform::TempFolder();
}

std::string UniqueTempFileName(const std::string& prefix, const std::string& extension) {
    const std::string folder = TempFolder();
    for (int64_t n = 0; n < 1000000; ++n) {
        const std::string name = folder + prefix + FormatInteger(n) + extension;
        errno = 0;
        std::FILE* file = file_platform::Open(name, TFileMode::kCreateNew, true);
        if (file) {
            std::fclose(file);
            return name;
        }
        if (errno != EEXIST) return {};
    }
    errno = EEXIST;
    return {};
}

TTempFile::TTempFile(const std::string& prefix, const std::string& extension) {
    errno = 0;
    name_ = UniqueTempFileName(prefix, extension);
    if (name_.empty()) error_ = ErrnoOr(EIO);
}

TTempFile::~TTempFile() {
    if (!name_.empty()) file_platform::Remove(name_);
}

TAtomicFile::~TAtomicFile() {
    Discard();
}

int TAtomicFile::Fail(TWriteStep step, int error) {
    Discard();
    step_ = step;
    return error;
}

int TAtomicFile::Begin(const std::string& target, TAtomicOptions options) {
    Discard();
    step_ = TWriteStep::kNone;
    options_ = options;
    target_ = file_platform::ResolveLink(target);
    file_platform::TKind kind = file_platform::TKind::kNothing;
    int error = file_platform::Inspect(target_, kind, mode_);
    if (error && error != ENOENT) return Fail(TWriteStep::kCreate, error);
    direct_ = kind == file_platform::TKind::kOther;
    replaces_ = kind == file_platform::TKind::kPlainFile;
    if (kind == file_platform::TKind::kFolder) return Fail(TWriteStep::kCreate, EISDIR);
    if (replaces_) {
        // A file the user may not write keeps its contents, as it would when written in place.
        errno = 0;
        TFile probe = OpenFile(target_, TFileMode::kUpdate);
        if (!probe) return Fail(TWriteStep::kCreate, ErrnoOr(EACCES));
    }
    if (direct_) {
        errno = 0;
        file_ = OpenFile(target_, TFileMode::kWrite);
        if (!file_) return Fail(TWriteStep::kCreate, ErrnoOr(EIO));
        writeName_ = target_;
        return 0;
    }
    for (int n = 0; n < 1000; ++n) {
        const std::string name = target_ + "~" + FormatInteger(n) + ".tmp";
        errno = 0;
        file_ = TFile(file_platform::Open(name, TFileMode::kCreateNew, true));
        if (file_) {
            writeName_ = name;
            return 0;
        }
        if (errno != EEXIST) return Fail(TWriteStep::kCreate, ErrnoOr(EIO));
    }
    return Fail(TWriteStep::kCreate, EEXIST);
}

int TAtomicFile::Commit() {
    if (writeName_.empty()) {
        step_ = TWriteStep::kCreate;
        return EBADF;
    }
    int error = 0;
    if (options_.Sync && !direct_) error = file_.Sync();
    const int closed = file_.Close();
    if (!error) error = closed;
    if (error) return Fail(TWriteStep::kWrite, error);
    if (direct_) {
        writeName_.clear();
        return 0;
    }
    // The rights only after the last byte: until then nobody else may read the file.
    const uint32_t mode =
        replaces_ ? mode_ : (options_.OwnerOnly ? 0 : file_platform::NewFileMode());
    if (mode != 0) file_platform::SetMode(writeName_, mode);
    error = file_platform::Replace(writeName_, target_);
    if (error) return Fail(TWriteStep::kReplace, error);
    writeName_.clear();
    return 0;
}

void TAtomicFile::Discard() {
    file_.Close();
    if (!writeName_.empty() && !direct_) file_platform::Remove(writeName_);
    writeName_.clear();
}

} // namespace lumeno
