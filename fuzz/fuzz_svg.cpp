// Fuzz target for the SVG presentation: any caption bytes must give well-formed character
// data, any settings a document whose compressed form inflates back to it, and any time a
// plain fixed-point number.
#include "lumeno/export/output_encoding.h"
#include "lumeno/export/svg_document.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <zlib.h>

namespace {

void Require(bool ok) {
    if (!ok) std::abort();
}

bool IsXmlChar(uint64_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// Character data as XML reads it: no markup characters, only references to allowed
// characters, no bytes that ISO-8859-1 holds as forbidden or C1 control characters.
void CheckCharacterData(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        Require(c != '<' && c != '>');
        Require(c >= 0x20 || c == '\t' || c == '\n' || c == '\r');
        Require(c < 0x80 || c > 0x9F);
        if (c != '&') continue;
        const size_t semi = s.find(';', i);
        Require(semi != std::string::npos);
        const std::string ref = s.substr(i + 1, semi - i - 1);
        if (ref == "lt" || ref == "gt" || ref == "amp") {
        } else {
            Require(ref.size() >= 2 && ref[0] == '#');
            const bool hex = ref[1] == 'x';
            const std::string digits = ref.substr(hex ? 2 : 1);
            Require(!digits.empty() && digits.size() <= 8);
            for (char d : digits)
                Require(hex ? std::isxdigit(static_cast<unsigned char>(d))
                            : std::isdigit(static_cast<unsigned char>(d)));
            Require(IsXmlChar(std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10)));
        }
        i = semi;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);
    CheckCharacterData(lumeno::EscapeCaption(input));

    if (size >= sizeof(double)) {
        double v;
        std::memcpy(&v, data, sizeof v);
        if (std::isfinite(v) && std::fabs(v) < 1e12) {
            const std::string text = lumeno::FormatSeconds(v);
            Require(text.find_first_not_of("-0123456789.") == std::string::npos);
            const double back = std::strtod(text.c_str(), nullptr);
            Require(std::fabs(back - v) <= std::fabs(v) * 1e-14 + 1e-300 || std::fabs(v) < 1e-300);
        }
    }

    // Settings from the first bytes, captions from the rest split at zero bytes.
    lumeno::TShowSettings s;
    if (size >= 8) {
        int32_t a, b;
        std::memcpy(&a, data, 4);
        std::memcpy(&b, data + 4, 4);
        s.FadeTime = 1 + static_cast<int32_t>(static_cast<uint32_t>(a) % 1000000);
        s.PauseTime = 1 + static_cast<int32_t>(static_cast<uint32_t>(b) % 1000000);
        s.FadeInOut = (a & 1) != 0;
        s.TextX = b;
        s.BackColor = static_cast<uint32_t>(a);
    }
    std::vector<std::string> captions;
    size_t start = 0;
    for (size_t i = 0; i <= size && captions.size() < 64; ++i)
        if (i == size || data[i] == 0) {
            captions.push_back(input.substr(start, i - start));
            start = i + 1;
        }
    const std::string doc = lumeno::BuildSvgDocument(captions, s);
    Require(doc.size() >= 2 && doc.compare(doc.size() - 2, 2, "\r\n") == 0);
    std::vector<uint8_t> z;
    Require(lumeno::ZlibCompress(doc, z));
    std::string back(doc.size(), '\0');
    uLongf n = back.size();
    Require(uncompress(reinterpret_cast<Bytef*>(back.data()), &n, z.data(), z.size()) == Z_OK);
    Require(n == doc.size() && back == doc);
    return 0;
}
