#pragma once
// Whole numbers as text for the files the program writes: the same bytes whatever the
// locale (no grouping, no local digits).
#include <cstdint>
#include <string>

namespace lumeno {

// A whole number in decimal with "-" when negative ("-5", "0", "-2147483648").
std::string FormatInteger(int64_t value);

} // namespace lumeno
