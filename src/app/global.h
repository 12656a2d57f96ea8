#pragma once
// Module `global`: the program's shared state. Every variable lives for the
// whole run; the six-per-test groups are indexed by TestKind, in test order.
#include <array>
#include <cstdint>
#include <string>

enum TestKind : int { Cpu = 0, Calc = 1, Mem = 2, Hdd = 3, Text = 4, Graph = 5 };
constexpr int TestCount = 6;
constexpr std::int32_t NotMeasured = -1;

namespace global {

inline std::string SystemFolder;
inline std::string ExeFolder;
inline std::string DataFolder;
inline std::int32_t DisplayMode = 0;
inline std::int32_t SettingsMissing = 0;
inline std::int32_t ComparLoaded = 0;
inline std::string TestDrive;
inline std::array<std::int32_t, TestCount> TestIndex{};
inline std::array<std::string, TestCount> TestLevel{};
inline std::int32_t TotalMemMB = 0;
inline std::int32_t CpuLevel = 0;
inline std::int32_t ClockMHz = 0;
inline std::string CpuName;
inline std::int32_t HasRemoteDrive = 0;
inline std::int32_t HasRamDrive = 0;
inline double DiskTotalMB = 0;
inline std::string OsReportText;
inline std::int32_t ScreenWidth = 0;
inline std::int32_t ScreenHeight = 0;
inline std::string UserResFree;
inline std::string GdiResFree;
inline std::int32_t FightingCapacity = 0;
inline std::string RankTitle;
inline std::string LevelText;
inline std::array<std::int32_t, TestCount> ComparIndex{};
inline std::int16_t BrowseIndex = 0;
inline std::string ChosenPath;
inline std::int32_t ChooserOpen = 0;

// Back to the state of a fresh start (tests start every case from here).
void ResetAll();

} // namespace global

// The program's version text, shown by the setup window and the report.
inline constexpr const char* VersionText = "1.01";
