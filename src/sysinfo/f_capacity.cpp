#include "sysinfo/f_capacity.h"

#include "analyze/rank.h"
#include "app/conventions.h"
#include "app/global.h"
#include "app/layout.h"
#include "app/main1.h"
#include "platform/clock.h"
#include "platform/pump.h"
#include "results/report.h"
#include "runs/all_runs.h"
#include "runs/gauge.h"
#include "sysinfo/capacity.h"

kv::FormRef<FCapacityForm> F_capacity;

// "Fighting Capacity" on the main window: the tests not measured yet, then
// this window, with the main window hidden until its OK or the certificate's.
void Main1Form::Command9_Click()
{
    if (!RunMissingTests()) return;
    Visible(false);
    F_capacity.Load();
}

namespace {
const kv::FontSpec Arial14{"Arial", 14.25, false, false};
} // namespace

FCapacityForm::FCapacityForm()
{
    LayOut();
    Command1.OnClick([this] { Command1_Click(); });
    Command14.OnClick([this] { Command14_Click(); });
    // The close box is OK; while the score is being computed the window
    // takes no input, and neither does its close box.
    OnCloseBox([this] {
        if (Enabled()) Command1_Click();
    });
}

void FCapacityForm::LayOut()
{
    Caption("KORVEL F_Capacity");
    ClientSize(8250, 8310);
    Picture("bg556");

    TransparentLabel(Label1, 2535, 6105, 3600, 480, "0", Arial20B, 0x0000FFFF, kv::Align::Right);
    Picture1.Move(2355, 1425, 3660, 4470);
    Picture1.BackColor(0x00000000);
    Command1.Move(6780, 7230, 990, 465);
    Command1.Caption("OK");
    Command1.Font(Arial15B);
    Command1.Picture("btn_face");

    FightingCapacityBar(Label10, 1710, 540);
    TransparentLabel(Label2, 2490, 6795, 3675, 435, "", MinchoP15B, 0x0080C0FF, kv::Align::Right);
    TransparentLabel(Label3, 2445, 7395, 3675, 435, "", MinchoP15B, 0x0000C000, kv::Align::Right);

    Command14.Move(6630, 1590, 1095, 465);
    Command14.Caption("Report");
    Command14.Font(Arial14);
    Command14.Picture("btn_face");
    Command14.Visible(false);

    // Horizontal bars; the load stacks bars 1 to 64 upwards. Bar 0 stays
    // below the picture and the last two end up above it.
    Line1[0].Coords(-15, 6330, 3750, 6330);
    Line1[1].Coords(45, 4365, 3810, 4365);
    for (int i = 2; i <= 63; ++i) Line1[i].Coords(0, 0, 3765, 0);
    Line1[64].Coords(0, 15, 3765, 15);
    for (int i = 0; i < 65; ++i) Line1[i].BorderWidth(5);
}

void FCapacityForm::Form_Load()
{
    Enabled(false);
    for (int i = 1; i <= 64; ++i) {
        Line1[i].Y1(4350 - 70 * i);
        Line1[i].Y2(4350 - 70 * i);
    }
    Label1.Caption("waiting ......");
    Show();

    global::FightingCapacity = CalcFightingCapacity();
    global::RankTitle = CertifyRank(global::FightingCapacity, global::LevelText);
    LightGauge(GaugeSegments(global::FightingCapacity));

    Label1.Caption(conv::IntText(global::FightingCapacity));
    Label2.Caption(global::LevelText);
    Label3.Caption(global::RankTitle);
    Command14.Visible(true);
    Enabled(true);
}

// Red to yellow over bars 0 to 31 (8 more green a bar), then yellow to green
// over 32 to 63 as on the main window's gauges. Bar 64 is never lit.
void FCapacityForm::LightGauge(std::int32_t n)
{
    auto light = [&n](kv::Line& bar, std::int32_t colour) {
        bar.BorderColor(static_cast<kv::Color>(colour));
        kv::Sleep(30);
        kv::DoEvents();
        --n;
    };
    for (int i = 0; i <= 31 && n != 0; ++i) light(Line1[i], 2047 + 2048 * i);
    std::int32_t c = 65535;
    for (int i = 32; i <= 63 && n != 0; ++i) {
        c = conv::ToInt32(c - 7.5);
        light(Line1[i], c);
    }
}

void FCapacityForm::Command1_Click()
{
    Main1->Visible(true);
    F_capacity.Unload();
}

// The main window stays hidden: the certificate's OK shows it again.
void FCapacityForm::Command14_Click()
{
    Report.Load();
    F_capacity.Unload();
}
