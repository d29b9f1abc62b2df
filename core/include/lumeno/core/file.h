#pragma once
// Files by name, one way on every system: the owner of an open file, opening, whole-file
// reading, unique temporary files. File names are the bytes the program holds its paths in
// (UTF-8 on Linux, the ANSI code page on Windows). Failures return the system's error number
// (errno values); nothing here throws or shows anything.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace lumeno {

// Owns one open C stream and closes it when destroyed (a failure then is ignored: call
// Close() where it matters). Movable, not copyable; empty when opening failed.
class TFile {
  public:
    TFile() = default;
    explicit TFile(std::FILE* file) : file_(file) {}
    ~TFile();
    TFile(TFile&& other) noexcept : file_(other.file_) { other.file_ = nullptr; }
    TFile& operator=(TFile&& other) noexcept;
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    std::FILE* get() const { return file_; }
    explicit operator bool() const { return file_ != nullptr; }

    // The file's size in bytes; -1 (errno set) when it cannot be had or the owner is empty.
    int64_t Size() const;

    // True for a file that holds data on a disk, false for a device such as /dev/null, a
    // pipe, or an empty owner: what a failed write may delete.
    bool IsPlainFile() const;

    // Writes all bytes; 0, or the error number of the failed write (EIO when the system
    // gives none). Nothing is written to an empty owner (EBADF).
    int Write(const void* data, size_t size);

    // Flushes, forces the data onto the device (fsync; a file system that cannot sync counts
    // as done) and keeps the file open. 0 or the error number.
    int Sync();

    // Flushes and closes; the owner is empty afterwards. 0 (also for an empty owner) or the
    // error number of the failed flush or close.
    int Close();

  private:
    std::FILE* file_ = nullptr;
};

enum class TFileMode {
    kRead,      // an existing file, from its start
    kWrite,     // created or emptied (an empty file is left as it is: see file_posix.cpp)
    kUpdate,    // an existing file, for reading and writing, left as it is
    kCreateNew, // created for writing; fails with EEXIST when the name is taken
};

// Opens `name` in binary mode, not inherited by started programs. An empty owner with errno
// set when it cannot be opened (EISDIR for a folder).
TFile OpenFile(const std::string& name, TFileMode mode);

// Deletes a file; false (errno set) when it could not be deleted.
bool RemoveFile(const std::string& name);

// Puts the file `from` in the place of `to` in one step, replacing what is there: a reader
// finds the old file or the new one, never part of one. Both in the same folder or at least
// on the same disk. False (errno set) on failure; `from` is then left as it is.
bool ReplaceFile(const std::string& from, const std::string& to);

// Where ReadWholeFile puts the bytes: called once with the file's size, returns room for at
// least that many bytes, or null when there is none (ReadWholeFile then gives ENOMEM; for an
// empty file null is fine).
using TReadBuffer = std::function<uint8_t*(size_t size)>;

// Reads the whole file into what `buffer` returns; `got` is the number of bytes read (fewer
// than the size when the file shrank meanwhile). 0, or the error number: EISDIR for a
// folder, EFBIG when the file holds more than `maxBytes`, ENOMEM when `buffer` gives nothing.
int ReadWholeFile(const std::string& name, uint64_t maxBytes, const TReadBuffer& buffer,
                  size_t& got);

// The same into `out` (resized to what was read); `out` is empty on failure.
int ReadWholeFile(const std::string& name, std::vector<uint8_t>& out,
                  uint64_t maxBytes = UINT64_MAX);

// The folder for temporary files, ending in its separator: TMPDIR (or the system's
// temporary folder on Windows), else /tmp.
std::string TempFolder();

// Creates a new empty file TempFolder() + prefix + N + extension with the lowest N from 0 on
// whose name is free, readable by its owner only, and returns its name; the creation reserves
// the name against other threads and processes. Empty (errno set) when no file can be created
// there. The caller deletes it; TTempFile does that.
std::string UniqueTempFileName(const std::string& prefix, const std::string& extension);

// Owns a temporary file made by UniqueTempFileName and deletes it when destroyed (a failing
// delete is ignored). Name() is empty when none could be created; Error() says why.
class TTempFile {
  public:
    TTempFile(const std::string& prefix, const std::string& extension);
    ~TTempFile();
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    const std::string& Name() const { return name_; }
    int Error() const { return error_; }

  private:
    std::string name_;
    int error_ = 0;
};

// Which part of a replacing write failed.
enum class TWriteStep {
    kNone,
    kCreate,  // the temporary file beside the target (or the target itself) could not be made
    kWrite,   // writing, flushing, forcing onto the disk or closing it failed
    kReplace, // the finished file could not take the target's place
};

// How TAtomicFile treats the finished file.
struct TAtomicOptions {
    // Force the data onto the device before the rename, so that after a power cut the target
    // holds the old bytes or the new ones. Off for files that are only made again when lost.
    bool Sync = true;
    // A new target stays readable by its owner only (0600); otherwise it gets the rights any
    // new file gets (0666 less the umask). A replaced file always keeps its own rights.
    bool OwnerOnly = false;
};

// The one way to write a file that replaces what may be there: the bytes go to a new file
// beside the target (same folder, `target~N.tmp`, the lowest free N, readable by its owner
// only), which is flushed, forced onto the disk, closed and renamed over the target only by
// Commit(). A reader finds the old file or the new one, never part of one. When Commit() is
// not reached or fails, the temporary file is deleted and the old file stays byte for byte.
// A target that is a link is written through it (the link survives); a target that is a
// device or a pipe (/dev/null, /dev/stdout) is written directly, as there is nothing to keep.
class TAtomicFile {
  public:
    TAtomicFile() = default;
    ~TAtomicFile(); // Discard() unless committed
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Prepares the write of `target`: 0, or the error number (FailedStep() kCreate): EISDIR
    // for a folder, EACCES for an existing file the user may not write (it is not replaced,
    // as it could not be written in place either), or why the temporary file cannot be made.
    int Begin(const std::string& target, TAtomicOptions options = {});

    // The open file the bytes go to; empty before Begin() and after Commit()/Discard().
    TFile& File() { return file_; }
    // The name of that file: for writers that open it themselves (an existing empty file:
    // TFileMode::kWrite keeps it as it is). Empty before Begin().
    const std::string& WriteName() const { return writeName_; }

    // Flushes, forces onto the disk (TAtomicOptions::Sync), closes, gives the file its rights
    // and renames it over the target. 0, or the error number with FailedStep(); the temporary
    // file is deleted then. Calling it twice or without a Begin() gives EBADF.
    int Commit();

    // Closes and deletes the temporary file; the target stays as it is.
    void Discard();

    TWriteStep FailedStep() const { return step_; }

  private:
    int Fail(TWriteStep step, int error);

    TFile file_;
    std::string target_;
    std::string writeName_;
    TAtomicOptions options_;
    bool direct_ = false;   // a device or pipe: written in place
    bool replaces_ = false; // an existing file whose rights the new one takes
    uint32_t mode_ = 0;     // its rights
    TWriteStep step_ = TWriteStep::kNone;
};

} // namespace lumeno
