// The five information buttons: each hides the main window, opens the
// information window and has its routine write there.
#include "app/main1.h"
#include "sysinfo/info.h"
#include "sysinfo/info_window.h"

namespace {

void ShowInfo(void (*routine)(std::int32_t&))
{
    Main1->Visible(false);
    info.Load();
    std::int32_t mode = 1;
    routine(mode);
}

} // namespace

void Main1Form::Command10_Click() { ShowInfo(GetCpuInfo); }
void Main1Form::Command11_Click() { ShowInfo(GetMemoryInfo); }
void Main1Form::Command12_Click() { ShowInfo(GetOsInfo); }
void Main1Form::Command13_Click() { ShowInfo(GetDiskInfo); }
void Main1Form::Command14_Click() { ShowInfo(GetScreenInfo); }
