#pragma once
// Placeholder declarations of the five information routines (built elsewhere).
#include <cstdint>

void GetOsInfo(std::int32_t& InfoMode);
void GetCpuInfo(std::int32_t& InfoMode);
void GetDiskInfo(std::int32_t& InfoMode);
void GetScreenInfo(std::int32_t& InfoMode);
void GetMemoryInfo(std::int32_t& InfoMode);
