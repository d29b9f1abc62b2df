// Locale-independent numbers and colours, and one-shot zlib streams.
#include "lumeno/export/output_encoding.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <zlib.h>

namespace lumeno {

std::string FormatSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds == 0.0) return "0";
    // Fifteen significant digits in scientific form, then laid out as fixed-point.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::scientific, 14);
    std::string sci(buf, res.ptr);
    bool negative = sci[0] == '-';
    if (negative) sci.erase(0, 1);
    size_t e = sci.find('e');
    int exponent = std::atoi(sci.c_str() + e + 1);
    std::string digits;
    for (size_t i = 0; i < e; ++i)
        if (sci[i] != '.') digits += sci[i];
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string out;
    if (exponent < 0) {
        out = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    } else {
        size_t intLen = static_cast<size_t>(exponent) + 1;
        if (digits.size() <= intLen) {
            out = digits + std::string(intLen - digits.size(), '0');
        } else {
            out = digits.substr(0, intLen) + "." + digits.substr(intLen);
        }
    }
    if (out == "0") return "0";
    return negative ? "-" + out : out;
}

std::string PdfNumber(double value) {
    if (!std::isfinite(value)) return "0";
    return FormatSeconds(std::round(value * 10000.0) / 10000.0);
}

std::string ColourHex(uint32_t colour) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (int shift : {0, 8, 16}) {
        unsigned byte = (colour >> shift) & 0xFF;
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
    }
    return out;
}

bool ZlibCompress(const std::string& data, std::vector<uint8_t>& out) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::vector<uint8_t> buffer(size);
    if (compress2(buffer.data(), &size, reinterpret_cast<const Bytef*>(data.data()),
                  static_cast<uLong>(data.size()), 9) != Z_OK)
        return false;
    buffer.resize(size);
    out = std::move(buffer);
    return true;
}

} // namespace lumeno
