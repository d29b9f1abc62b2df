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
// whose name is free, and returns its name; the creation reserves the name against other
// threads and processes. Empty when no file can be created there. The caller deletes it.
std::string UniqueTempFileName(const std::string& prefix, const std::string& extension);

} // namespace lumeno
