#include "lumeno/core/number_text.h"

#include <charconv>

namespace lumeno {

std::string FormatInteger(int64_t value) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

} // namespace lumeno
