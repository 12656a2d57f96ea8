#include "app/main1.h"

#include "app/conventions.h"
#include "app/global.h"
#include "app/init.h"
#include "app/layout.h"
#include "app/setup.h"

kv::FormRef<Main1Form> Main1;

namespace {

Main1Wiring g_wiring = nullptr;

const kv::FontSpec Arial15BI{"Arial", 15.75, true, true};
const kv::FontSpec Arial14BI{"Arial", 14.25, true, true};
const kv::FontSpec Arial12BI{"Arial", 12, true, true};

constexpr kv::Color Pink = 0x00FF80FF;
constexpr kv::Color LightGreen = 0x00C0FFC0;
constexpr kv::Color DarkGrey = 0x00404040;

void SolidShape(kv::Shape& s, int x, int y, int w, int h, kv::Color fill,
                kv::ShapeKind kind = kv::ShapeKind::Rectangle)
{
    s.Move(x, y, w, h);
    s.Kind(kind);
    s.FillColor(fill);
    s.BorderWidth(0);
}

void PictureButton(kv::CommandButton& b, int x, int y, int w, int h, const std::string& picture,
                   const std::string& caption = std::string())
{
    b.Move(x, y, w, h);
    b.Picture(picture);
    b.Caption(caption);
    b.Font(Arial15B);
}

} // namespace

void SetMain1Wiring(Main1Wiring wire) { g_wiring = wire; }

Main1Form::Main1Form()
{
    LayOut();
    if (g_wiring) g_wiring(*this);
}

void Main1Form::LayOut()
{
    Caption("KORVELINE 2002");
    ClientSize(14985, 11100);
    Picture("main_bg");
    Icon("icon");
    LayOutRows();
    LayOutBoxes();
}

void Main1Form::LayOutRows()
{
    struct Row {
        kv::Label& name; int nx, ny, nw, nh; const char* caption;
        kv::CommandButton& start; int sx, sy;
        kv::PictureBox& value; int vx, vy, vh; kv::Label& valueLabel;
        kv::PictureBox& strip; int gx, gy, gw, gh; kv::ControlArray<kv::Line, 65>& bars; int y2;
        kv::PictureBox& comment; int cx, cy; kv::Label& commentLabel;
        kv::Image& bar; int bx, by;
    };
    Row rows[] = {
        {Label8, 1635, 1065, 765, 285, "CPU", Command1, 2565, 960, Picture5, 3450, 945, 525, Label3,
         Picture3, 5970, 930, 4380, 555, Line1, 720, Picture7, 10770, 960, Label5, Image3, 1470, 705},
        {Label9, 1605, 2130, 945, 285, "CALC", Command3, 2595, 2040, Picture8, 3450, 2025, 555, Label7,
         Picture9, 5970, 2040, 4380, 510, Line2, 660, Picture13, 10770, 2040, Label11, Image8, 1485, 1800},
        {Label12, 1620, 3240, 945, 285, "Mem", Command4, 2610, 3165, Picture16, 3450, 3150, 540, Label13,
         Picture17, 5970, 3165, 4380, 510, Line3, 855, Picture19, 10770, 3120, Label15, Image5, 1485, 2910},
        {Label16, 1575, 4380, 945, 285, "HDD", Command5, 2610, 4260, Picture27, 3450, 4230, 555, Label19,
         Picture30, 5970, 4245, 4335, 525, Line4, 810, Picture36, 10770, 4200, Label25, Image6, 1485, 4005},
        {Label17, 1575, 5490, 945, 285, "TEXT", Command6, 2595, 5385, Picture28, 3450, 5325, 525, Label20,
         Picture31, 5970, 5370, 4300, 510, Line5, 795, Picture37, 10770, 5325, Label26, Image7, 1470, 5115},
        {Label18, 1575, 6570, 945, 360, "Graph", Command7, 2595, 6495, Picture29, 3450, 6465, 555, Label21,
         Picture32, 5970, 6480, 4300, 525, Line6, 765, Picture38, 10770, 6480, Label27, Image4, 1485, 6240},
    };
    for (Row& r : rows) {
        TransparentLabel(r.name, r.nx, r.ny, r.nw, r.nh, r.caption, Arial15B, DarkYellow, kv::Align::Center);
        PictureButton(r.start, r.sx, r.sy, 615, 495, "btn_start");

        r.value.Move(r.vx, r.vy, 2070, r.vh);
        r.value.BackColor(LightGreen);
        r.valueLabel.Move(45, 15, 1905, 420);
        r.valueLabel.Font(Arial20B);
        r.valueLabel.Alignment(kv::Align::Right);
        r.valueLabel.BackColor(LightGreen);

        r.strip.Move(r.gx, r.gy, r.gw, r.gh);
        r.strip.BackColor(White);
        for (int i = 0; i < 65; ++i) {
            r.bars[i].Coords(0, 0, 0, r.y2);
            r.bars[i].BorderColor(Black);
        }
        r.bars[0].BorderWidth(5);
        for (int i = 1; i < 65; ++i) r.bars[i].BorderWidth(&r.bars == &Line1 ? 5 : 1);

        r.comment.Move(r.cx, r.cy, 2625, 555);
        r.comment.BackColor(Black);
        r.commentLabel.Move(0, 0, 2625 - 60, 555 - 60);
        r.commentLabel.Font(MinchoP15B);
        r.commentLabel.ForeColor(White);
        r.commentLabel.BackColor(Black);
        r.commentLabel.Alignment(kv::Align::Center);

        r.bar.Move(r.bx, r.by, 12600, 1020);
        r.bar.Picture("row_bar");
    }
    SolidShape(Shape2[0], 690, 1020, 750, 390, DarkYellow);
    SolidShape(Shape3, 750, 2085, 720, 390, DarkYellow);
    const int markerTop[5] = {1020, 3210, 4335, 5445, 6570};
    for (int i = 1; i < 5; ++i) SolidShape(Shape2[i], 750, markerTop[i], 720, 390, DarkYellow);
}

void Main1Form::LayOutBoxes()
{
    // Title.
    Picture4.Move(1050, 165, 4215, 375);
    Picture4.BorderStyle(0);
    Picture4.Picture("title_strip");
    TransparentLabel(Label1, 435, -30, 2175, 540, "KORVELINE", Arial15BI, White);
    TransparentLabel(Label2, 2925, 0, 855, 540, "2002", Arial15BI, Yellow);
    TransparentLabel(Label24, 6450, 135, 2565, 420, "Normal mode", Arial14B, 0x00FF00FF, kv::Align::Center);
    TransparentLabel(Label6, 9705, 105, 4425, 330, "PC Total Benchmark & Diagnosis", Arial12B, 0x00FFFF80);

    Image1.Move(150, 495, 375, 10500);
    Image1.Picture("side_bar");
    Image2.Move(14520, 390, 375, 10500);
    Image2.Picture("side_bar");
    SolidShape(Shape1, 705, 1065, 375, 7215, DarkYellow, kv::ShapeKind::RoundedRectangle);

    // ALL.
    SolidShape(Shape4, 705, 7650, 9915, 1185, DarkYellow);
    Shape5.Move(1095, 7965, 2085, 645);
    Shape5.FillColor(0x0080FF80);
    Shape5.BorderColor(0x000000FF);
    Shape5.BorderWidth(1);
    TransparentLabel(Label4, 1380, 8100, 840, 360, "ALL", Arial15BI, 0x000000C0);
    PictureButton(Command8, 2370, 8055, 600, 495, "btn_start");

    // Overall score.
    FightingCapacityBar(Label10, 5400, 7335);
    Image9.Move(5400, 7830, 5040, 825);
    Image9.Picture("fc_plate");
    PictureButton(Command9, 7245, 7905, 1125, 720, "btn_fc");

    // Test drive, joined to the HDD row by a blue path.
    Shape8.Move(10785, 7365, 3300, 870);
    Shape8.Kind(kv::ShapeKind::RoundedRectangle);
    Shape8.BorderColor(Blue);
    Shape8.BorderWidth(3);
    TransparentLabel(Label22, 11190, 7455, 2475, 315, "select...  test drive", Arial12B, White);
    Drive1.Move(11145, 7800, 2505, 300);
    SolidShape(Shape6, 14085, 4395, 330, 195, Blue);
    SolidShape(Shape7, 14235, 4395, 180, 3435, Blue);
    SolidShape(Shape9, 14055, 7695, 360, 195, Blue);

    // Comparison data.
    Shape10.Move(10755, 9090, 2130, 1740);
    Shape10.Kind(kv::ShapeKind::RoundedRectangle);
    Shape10.BorderColor(Black);
    Shape10.BorderWidth(1);
    TransparentLabel(Label23, 10965, 9195, 1665, 330, "Compar Data", Arial12B, White);
    PictureButton(Command16, 11265, 9630, 1095, 465, "btn_face", "Load");
    PictureButton(Command15, 11265, 10215, 1095, 465, "btn_face", "Save");

    // Information.
    Image10.Move(3690, 9015, 6750, 1920);
    Image10.Picture("info_panel");
    TransparentLabel(Label14, 3780, 9195, 1350, 270, "information", Arial12BI, 0x0000FF00);
    PictureButton(Command10, 3945, 9570, 1095, 465, "btn_face", "CPU");
    PictureButton(Command11, 3945, 10185, 1095, 465, "btn_face", "Mem");
    PictureButton(Command12, 5175, 9570, 1095, 465, "btn_face", "OS");
    PictureButton(Command13, 5190, 10170, 1095, 465, "btn_face", "Drive");
    PictureButton(Command14, 6390, 9585, 1095, 465, "btn_face", "misc");

    // Mode.
    Line7.Coords(7695, 9210, 7695, 10755);
    Line7.BorderColor(Yellow);
    Line7.BorderWidth(3);
    Frame1.Move(7905, 9105, 2265, 1725);
    Frame1.Caption(" Mode");
    Frame1.Font(Arial12B);
    Frame1.ForeColor(0x00FFFF80);
    Frame1.BackColor(DarkGrey);
    const char* modes[] = {"Normal", "Compar"};
    const int modeBox[2][4] = {{180, 510, 1830, 360}, {165, 1065, 1905, 360}};
    for (int i = 0; i < 2; ++i) {
        Option1[i].Move(modeBox[i][0], modeBox[i][1], modeBox[i][2], modeBox[i][3]);
        Option1[i].Caption(modes[i]);
        Option1[i].Font(Arial12B);
        Option1[i].ForeColor(i == 0 ? 0x0000FF00 : White);
        Option1[i].BackColor(DarkGrey);
    }
    Option1[0].Value(true);

    // Setup.
    SolidShape(Shape11, 750, 9165, 1740, 1785, Pink);
    Picture1.Move(825, 9255, 1575, 1590);
    Picture1.Picture("setup");
    TransparentLabel(Label28, 2670, 10530, 930, 360, "Setup", Arial14BI, Black, kv::Align::Center);
    Label28.Transparent(false);
    Label28.BackColor(Pink);
    SolidShape(Shape12, 2430, 10710, 300, 210, Pink);

    // End.
    PictureButton(Command2, 13215, 10320, 1095, 480, "btn_face", "END");
}

void Main1Form::Form_Load()
{
    ReadSettings();

    global::DisplayMode = 1;
    Label24.Caption("Normal mode");

    // The bars stand 70 twips apart; at 5 pixels wide neighbours overlap and
    // a strip reads as one band.
    for (int i = 0; i < 65; ++i) {
        for (auto* bars : {&Line1, &Line2, &Line3, &Line4, &Line5, &Line6}) {
            (*bars)[i].X1(70 * i);
            (*bars)[i].X2(70 * i);
            if (bars != &Line1) (*bars)[i].BorderWidth(5);
        }
    }

    global::TestIndex.fill(NotMeasured);

    if (global::SettingsMissing == 1) {
        global::SettingsMissing = 0;
        Visible(false);
        setup.Load();
    } else if (setup.Loaded()) {
        // The settings reader has opened the setup window; it shows this
        // window when it closes.
    } else {
        Show();
    }
}

void Main1Form::Drive1_Change() { global::TestDrive = conv::Left(Drive1.Drive(), 2); }

void Main1Form::Command2_Click()
{
    Main1.Unload();
    kv::EndProgram();
}

void Main1Form::Picture1_Click()
{
    Visible(false);
    setup.Load();
}

std::string CurrentDriveOfMainList() { return Main1->Drive1.Drive(); }
