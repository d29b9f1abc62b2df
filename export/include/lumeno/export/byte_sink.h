#pragma once
// Where a writer puts its bytes: a file or memory. The position is the count of bytes handed
// to Write, so offsets a writer records are exact whatever the buffering. The first failing
// write is remembered; every later write is counted but dropped.
#include "lumeno/core/file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumeno {

class TByteSink {
  public:
    virtual ~TByteSink() = default;

    void Write(const void* data, size_t size);
    void Write(const std::string& s) { Write(s.data(), s.size()); }

    int64_t Position() const { return position_; }
    // 0, or the error number of the first failed write.
    int Error() const { return error_; }

    // Hands on what is still buffered; call once at the end. 0 or Error().
    int Finish();

  protected:
    // Passes bytes on; 0 or an error number.
    virtual int Put(const char* data, size_t size) = 0;
    virtual int Flush() { return 0; }

  private:
    int64_t position_ = 0;
    int error_ = 0;
};

// Appends to an open file through a buffer of 64 KiB. The file stays open and owned by the
// caller, who closes it after Finish() (a failed close is a write error too). Offsets count
// from the sink's first byte, so give it a new or emptied file. The sink buffers by itself:
// a stream set unbuffered (setvbuf _IONBF) before its first write saves one copy.
class TFileSink : public TByteSink {
  public:
    explicit TFileSink(TFile& file) : file_(file) {}

  protected:
    int Put(const char* data, size_t size) override;
    int Flush() override;

  private:
    static constexpr size_t kBufferSize = 1 << 16;
    TFile& file_;
    std::vector<char> buffer_;
};

// Collects the bytes in memory; never fails.
class TMemorySink : public TByteSink {
  public:
    const std::string& Bytes() const { return bytes_; }

  protected:
    int Put(const char* data, size_t size) override {
        bytes_.append(data, size);
        return 0;
    }

  private:
    std::string bytes_;
};

} // namespace lumeno
