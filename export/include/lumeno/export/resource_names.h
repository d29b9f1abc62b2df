#pragma once
// The names under which the photos' image objects are found: the SVG presentation refers to
// them, the PDF's name tree lists them.
#include <string>

namespace lumeno {

// The letters of photo k's resource name "img" + letters + ".jpg". For k = 1..9999 the four
// decimal digits of k, thousands first, as 'a'+digit (1 -> "aaab", 305 -> "adaf"). From
// 10000 on the code grows so every name stays unique and the keys stay in ascending byte
// order: one letter 'k' + (digits - 5) followed by all digits of k (10000 -> "kbaaaa",
// 123456 -> "lbcdefg"). k < 1 gives "aaaa".
std::string PhotoLetterCode(int k);
std::string ImageResourceName(int k); // "img" + PhotoLetterCode(k) + ".jpg"

} // namespace lumeno
