// PLACEHOLDER until the information routines land.
#include "sysinfo/info.h"
void GetOsInfo(std::int32_t&) {}
void GetCpuInfo(std::int32_t&) {}
void GetDiskInfo(std::int32_t&) {}
void GetScreenInfo(std::int32_t&) {}
void GetMemoryInfo(std::int32_t&) {}
