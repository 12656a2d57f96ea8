#pragma once
// The comparison-data file: the header line, then the six test indices in
// test order as decimal integers, every line ended by CR LF and nothing after
// the last one.
#include "app/global.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::string_view ComparHeader = "KORVELINE 2002 V100 (C)Arlen Voskamp";

// The whole file for these indices.
std::string ComparisonFileText(const std::array<std::int32_t, TestCount>& indices);

// Takes a file's text into ComparIndex: the header must be exact and six
// CR LF-ended values must follow; anything after the seventh CR LF is
// ignored. A value is read as text to number, rounded half to even. All six
// are read before any is stored, so a refused file changes nothing: it throws
// RuntimeError with 0 (not such a file) or the failure's number (a value
// beyond the 32-bit range).
void LoadComparisonValues(std::string_view text);
