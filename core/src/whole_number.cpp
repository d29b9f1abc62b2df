#include "lumeno/core/whole_number.h"

#include <limits>

namespace lumeno {

std::optional<int64_t> ParseTruncatedNumber(std::string_view text) {
    auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Accumulated as a negative number, whose range is one larger than the positive one.
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    int64_t value = 0;
    bool saturated = false, digits = false, mark = false;
    for (char c : text) {
        if (c == '.' || c == ',') {
            if (mark) return std::nullopt;
            mark = true;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (mark || saturated) continue;
            const int d = c - '0';
            if (value < (kMin + d) / 10)
                saturated = true;
            else
                value = value * 10 - d;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    if (negative) return saturated ? kMin : value;
    if (saturated || value == kMin) return std::numeric_limits<int64_t>::max();
    return -value;
}

} // namespace lumeno
