#include "sysinfo/capacity.h"

#include "app/conventions.h"
#include "app/global.h"
#include "sysinfo/info.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr std::array<InfoRoutine, 5> RealRoutines = {GetOsInfo, GetCpuInfo, GetDiskInfo, GetScreenInfo,
                                                     GetMemoryInfo};
const std::array<InfoRoutine, 5>* g_routines = &RealRoutines;

// Nearest integer, ties to even. The running score is kept in 64 bits: no
// input the tests produce comes near the 32-bit range, and one that did
// should give a large score rather than a failure.
std::int64_t Nearest(double x) { return static_cast<std::int64_t>(std::nearbyint(x)); }

std::int64_t Factor(std::int64_t s, double f) { return Nearest(static_cast<double>(s) * f); }

// Below the lower bound 0.95, from the upper bound up 1.05, else unchanged.
std::int64_t ScreenFactor(std::int64_t s, std::int32_t value, std::int32_t lower, std::int32_t upper)
{
    if (value < lower) return Factor(s, 0.95);
    if (value >= upper) return Factor(s, 1.05);
    return s;
}

// Free resources below half cost 5 %; text without a number reads as 0.
std::int64_t ResourceFactor(std::int64_t s, const std::string& percent)
{
    return conv::Val(percent) < 50 ? Factor(s, 0.95) : s;
}

} // namespace

void SetInfoRoutinesForTest(const std::array<InfoRoutine, 5>* routines)
{
    g_routines = routines ? routines : &RealRoutines;
}

std::int32_t ScoreFromSharedState()
{
    using namespace global;
    std::int64_t sum = 0;
    std::int64_t low = 999999;
    for (const std::int32_t index : TestIndex) {
        sum += index;
        low = std::min<std::int64_t>(low, index);
    }
    const std::int64_t avg = Nearest(static_cast<double>(sum) / 6);
    std::int64_t s = Nearest(static_cast<double>(avg + low) / 2);

    if (CpuLevel == 4)
        s = Factor(s, 0.2);
    else if (CpuLevel == 5)
        s = Factor(s, 0.7);
    else if (CpuLevel >= 7)
        s = Factor(s, 1.1);

    if (TotalMemMB <= 500)
        s -= (500 - std::int64_t{TotalMemMB}) * 2;
    else
        s += (std::int64_t{TotalMemMB} - 500) * 3;

    if (HasRemoteDrive == 1) s = Factor(s, 1.05);
    if (HasRamDrive == 1) s = Factor(s, 1.05);

    s = ScreenFactor(s, ScreenWidth, 1280, 1600);
    s = ScreenFactor(s, ScreenHeight, 1024, 1280);

    s = ResourceFactor(s, UserResFree);
    s = ResourceFactor(s, GdiResFree);

    s = Nearest(static_cast<double>(s) + (DiskTotalMB - 20480) / 1000);

    return static_cast<std::int32_t>(std::clamp<std::int64_t>(s, 0, INT32_MAX));
}

std::int32_t CalcFightingCapacity()
{
    std::int32_t InfoMode = 0;
    for (const InfoRoutine routine : *g_routines) {
        // A routine takes its mode by reference: set it afresh for each.
        InfoMode = 0;
        routine(InfoMode);
    }
    return ScoreFromSharedState();
}
