#include "sysinfo/info_window.h"

#include "app/main1.h"
#include "sysinfo/info_text.h"

kv::FormRef<InfoForm> info;

InfoForm::InfoForm()
{
    Caption("KORVEL information");
    ClientSize(10605, 8985);
    Picture("info_bg");

    Picture1.Move(750, 735, 9000, 7485);
    Text1.Move(45, 15, 8985, 7455);
    Text1.ScrollBars(2);
    Text1.Font({"ＭＳ 明朝", 14.25, true, false});
    Text1.ForeColor(0x0000FF00);
    Text1.BackColor(0x00404040);

    Command1.Move(8670, 8400, 990, 465);
    Command1.Caption("OK");
    Command1.Font({"Arial", 15.75, true, false});
    Command1.Picture("btn_face");

    Command1.OnClick([this] { Command1_Click(); });
    Text1.OnKeyPress([this](int& KeyAscii) { Text1_KeyPress(KeyAscii); });
    // Closing the window is its OK, so the main window always comes back.
    OnCloseBox([this] { Command1_Click(); });
}

void InfoForm::Form_Load() { Show(); }

void InfoForm::Command1_Click()
{
    info.Unload();
    Main1->Visible(true);
}

// Every typed character becomes code 1, which the box does not insert.
void InfoForm::Text1_KeyPress(int& KeyAscii) { KeyAscii = 1; }

void InfoText::Deliver(const std::int32_t& InfoMode) const
{
    if (InfoMode == 1) info->Text1.Text(text_);
}
