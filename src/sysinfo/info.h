#pragma once
// The five information routines. Each builds its text and refreshes the
// shared system-information state; with InfoMode 1 it also puts the text into
// the information window, with any other value it leaves that window alone.
#include <cstdint>
#include <string>

void GetOsInfo(std::int32_t& InfoMode);
void GetCpuInfo(std::int32_t& InfoMode);
void GetDiskInfo(std::int32_t& InfoMode);
void GetScreenInfo(std::int32_t& InfoMode);
void GetMemoryInfo(std::int32_t& InfoMode);

// The processor clock in MHz, estimated by timing a fixed floating-point
// loop; 0 when the estimate fails.
std::int32_t EstimateClock();

// The text without its NUL characters.
std::string RemoveNulls(const std::string& text);

namespace sysinfo_detail {
// EstimateClock's arithmetic, from the three measurements' total in ms.
std::int32_t ClockFromTotal(double totalMs);
// Its last step: the first 8 characters of the second text, read as a number
// and rounded to the nearest integer, ties to the even one.
std::int32_t ClockFromText(const std::string& text);
} // namespace sysinfo_detail
