#include "results/report.h"

#include "app/conventions.h"
#include "app/global.h"
#include "app/layout.h"
#include "app/main1.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/notice.h"
#include "platform/printing.h"
#include "platform/pump.h"
#include "results/report_text.h"

kv::FormRef<ReportForm> Report;

namespace {
const kv::FontSpec MinchoP15{"ＭＳ Ｐ明朝", 15.75, false, false};
const kv::FontSpec Gothic12{"ＭＳ ゴシック", 12, false, false};

void Button(kv::CommandButton& b, int x, int y, int w, int h, const std::string& text, double points)
{
    b.Move(x, y, w, h);
    b.Caption(text);
    b.Font({"ＨＧｺﾞｼｯｸE-PRO", points, true, false});
}
} // namespace

ReportForm::ReportForm()
{
    LayOut();
    Command1.OnClick([this] { Command1_Click(); });
    Command2.OnClick([this] { Command2_Click(); });
    Command3.OnClick([this] { Command3_Click(); });
    Text1.OnKeyPress([this](int& KeyAscii) { Text1_KeyPress(KeyAscii); });
    // The close box acts as OK, except while Copy prints: OK is hidden then,
    // and the window must outlive the print.
    OnCloseBox([this] {
        if (!copying_) Command2_Click();
    });
}

void ReportForm::LayOut()
{
    Caption("KORVELINE 2002 Report");
    ClientSize(10140, 10920);
    BackColor(White);
    TransparentLabel(Label1, 3705, 75, 2025, 420, "認定証", {"ＭＳ Ｐ明朝", 20.25, true, false}, Black,
                     kv::Align::Center);
    TransparentLabel(Label2, 240, 660, 5235, 420, "貴殿のマシンを以下の通り、認定します", MinchoP15, Black);
    TransparentLabel(Label3, 1785, 1155, 6150, 420, "", MinchoP15, Black, kv::Align::Center);
    Button(Command1, 7830, 165, 1830, 495, "File Out", 14.25);
    Text1.Move(285, 2070, 9510, 7455);
    Text1.Font(Gothic12);
    Text1.BorderStyle(0);
    Text1.ScrollBars(0);
    Button(Command2, 7935, 10215, 1710, 555, "OK", 12);
    TransparentLabel(Label4, 330, 9825, 6945, 780, "", Gothic12, Black);
    Button(Command3, 7845, 735, 1830, 495, "Copy", 14.25);
    Line1.Coords(360, 1860, 9615, 1860);
    Line1.BorderWidth(3);
}

void ReportForm::Form_Load()
{
    BackColor(White);
    Label3.Caption(CertifiedRankLine());
    Text1.Text(ReportText());
    Label4.Caption(VersionLine(conv::LocalNow()));
    Show();
}

// File Out: one record appended to the report file in a single write.
void ReportForm::Command1_Click()
{
    Enabled(false);
    try {
        kv::AppendToFile(global::DataFolder + "\\" + ReportFileName, ReportRecord(Text1.Text(), conv::LocalNow()));
    } catch (const kv::RuntimeError& e) {
        kv::ErrorNotice("エラーの為、記録出来ませんでした(Err=", e.Number());
        Enabled(true);
        return;
    }
    // Only now: the file is closed and the record is in it.
    kv::Notice("KV_REP.TXT　に、記録しました。");
    Enabled(true);
}

void ReportForm::ShowButtons(bool show)
{
    Command1.Visible(show);
    Command2.Visible(show);
    Command3.Visible(show);
}

// Copy: the window without its buttons goes to the printer.
void ReportForm::Command3_Click()
{
    copying_ = true;
    ShowButtons(false);
    kv::DoEvents();
    kv::Sleep(500);
    int failure = -1;
    try {
        kv::PrintFormImage(*this);
    } catch (const kv::RuntimeError& e) {
        failure = e.Number();
    }
    kv::DoEvents();
    kv::Sleep(500);
    ShowButtons(true);
    copying_ = false;
    // Told on the whole window again, with its buttons back.
    if (failure >= 0) kv::ErrorNotice("エラーの為、印刷出来ませんでした(Err=", failure);
}

void ReportForm::Command2_Click()
{
    Report.Unload();
    Main1->Show();
}

// Typing never changes the report: every typed character becomes code 1,
// which the box does not insert.
void ReportForm::Text1_KeyPress(int& KeyAscii) { KeyAscii = 1; }
