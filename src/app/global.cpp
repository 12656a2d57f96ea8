#include "app/global.h"

namespace global {

void ResetAll()
{
    SystemFolder.clear(); ExeFolder.clear(); DataFolder.clear();
    DisplayMode = 0; SettingsMissing = 0; ComparLoaded = 0;
    TestDrive.clear();
    TestIndex.fill(0);
    for (auto& s : TestLevel) s.clear();
    TotalMemMB = 0; CpuLevel = 0; ClockMHz = 0; CpuName.clear();
    HasRemoteDrive = 0; HasRamDrive = 0; DiskTotalMB = 0;
    OsReportText.clear(); ScreenWidth = 0; ScreenHeight = 0;
    UserResFree.clear(); GdiResFree.clear();
    FightingCapacity = 0; RankTitle.clear(); LevelText.clear();
    ComparIndex.fill(0);
    BrowseIndex = 0; ChosenPath.clear(); ChooserOpen = 0;
}

} // namespace global
