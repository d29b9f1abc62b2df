#include "lumeno/core/text.h"

#include <cstdint>

namespace lumeno {
namespace {

// Code points of the bytes 0x80..0x9F; zero where Windows-1252 leaves the byte undefined.
constexpr char16_t kHighTable[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[pos]; returns U+FFFD for a malformed one and always
// advances pos by at least one byte.
char32_t DecodeUtf8(std::string_view text, size_t& pos) {
    const auto b0 = static_cast<unsigned char>(text[pos]);
    int extra;
    char32_t cp;
    if (b0 < 0x80) {
        ++pos;
        return b0;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + extra >= text.size()) {
        ++pos;
        return 0xFFFD;
    }
    for (int i = 1; i <= extra; ++i) {
        const auto b = static_cast<unsigned char>(text[pos + i]);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return 0xFFFD;
    }
    pos += extra + 1;
    return cp;
}

} // namespace

std::string UpperCaseAZ(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string FileNameWithoutDir(std::string_view path) {
    const size_t cut = path.find_last_of("\\/");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

char32_t Cp1252ToCodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F && kHighTable[byte - 0x80] != 0)
        return kHighTable[byte - 0x80];
    return byte;
}

int CodePointToCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHighTable[i] == 0 && cp == static_cast<char32_t>(0x80 + i)) return 0x80 + i;
        if (kHighTable[i] != 0 && kHighTable[i] == cp) return 0x80 + i;
    }
    return -1;
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 8);
    for (char c : cp1252)
        AppendUtf8(out, Cp1252ToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t cp = DecodeUtf8(utf8, pos);
        const int byte = CodePointToCp1252(cp);
        if (byte >= 0) {
            out += static_cast<char>(byte);
        } else {
            out += "&#";
            out += std::to_string(static_cast<uint32_t>(cp));
            out += ';';
        }
    }
    return out;
}

std::string EscapeTypedReferences(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '#') out += "#38;";
    }
    return out;
}

std::string CaptionFromUtf8(std::string_view utf8) {
    return Utf8ToCp1252(EscapeTypedReferences(utf8));
}

std::string CaptionToUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 8);
    size_t i = 0;
    while (i < cp1252.size()) {
        if (cp1252[i] == '&' && i + 3 < cp1252.size() && cp1252[i + 1] == '#') {
            size_t j = i + 2;
            uint32_t value = 0;
            while (j < cp1252.size() && j < i + 10 && cp1252[j] >= '0' && cp1252[j] <= '9') {
                value = value * 10 + static_cast<uint32_t>(cp1252[j] - '0');
                ++j;
            }
            const bool digits = j > i + 2;
            if (digits && j < cp1252.size() && cp1252[j] == ';' && value <= 0x10FFFF &&
                !(value >= 0xD800 && value <= 0xDFFF) &&
                (value == '&' || CodePointToCp1252(value) < 0)) {
                AppendUtf8(out, value);
                i = j + 1;
                continue;
            }
        }
        AppendUtf8(out, Cp1252ToCodePoint(static_cast<unsigned char>(cp1252[i])));
        ++i;
    }
    return out;
}

} // namespace lumeno
