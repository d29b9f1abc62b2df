#include "lumeno/export/resource_names.h"

#include "lumeno/core/number_text.h"

namespace lumeno {

std::string PhotoLetterCode(int k) {
    if (k < 1) k = 0;
    std::string digits = FormatInteger(k);
    std::string code;
    if (k <= 9999) {
        digits = std::string(4 - digits.size(), '0') + digits;
    } else {
        // A longer number gets a leading letter after 'j' that grows with its length, so the
        // name of every photo sorts after the names of all photos before it.
        code += static_cast<char>('k' + (digits.size() - 5));
    }
    for (char d : digits)
        code += static_cast<char>('a' + (d - '0'));
    return code;
}

std::string ImageResourceName(int k) {
    return "img" + PhotoLetterCode(k) + ".jpg";
}

} // namespace lumeno
