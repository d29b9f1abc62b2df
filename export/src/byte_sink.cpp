// Byte sinks: a buffered file and memory.
#include "lumeno/export/byte_sink.h"

namespace lumeno {

void TByteSink::Write(const void* data, size_t size) {
    position_ += static_cast<int64_t>(size);
    if (error_ || size == 0) return;
    error_ = Put(static_cast<const char*>(data), size);
}

int TByteSink::Finish() {
    if (!error_) error_ = Flush();
    return error_;
}

int TFileSink::Put(const char* data, size_t size) {
    if (buffer_.size() + size <= kBufferSize) {
        buffer_.insert(buffer_.end(), data, data + size);
        return 0;
    }
    if (const int error = Flush()) return error;
    if (size >= kBufferSize) return file_.Write(data, size);
    buffer_.insert(buffer_.end(), data, data + size);
    return 0;
}

int TFileSink::Flush() {
    int error = 0;
    if (!buffer_.empty()) error = file_.Write(buffer_.data(), buffer_.size());
    buffer_.clear();
    return error;
}

} // namespace lumeno
