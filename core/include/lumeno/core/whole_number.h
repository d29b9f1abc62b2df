#pragma once
// The one rule by which a number typed into a settings field (or given on the command line)
// becomes a whole number.
#include <cstdint>
#include <optional>
#include <string_view>

namespace lumeno {

// Reads optional spaces or tabs, an optional sign, digits with at most one decimal mark ("."
// or ","), optional spaces or tabs. The fraction is cut off toward zero ("2,9" gives 2, "-2.9"
// gives -2,
// "-0,5" gives 0); either side of the mark may be empty, but not both. A run of digits too
// long for 64 bits gives the 64-bit limit of its sign. Any other text (empty, "1e3", "12a",
// "1.2,3") gives nothing.
std::optional<int64_t> ParseTruncatedNumber(std::string_view text);

} // namespace lumeno
