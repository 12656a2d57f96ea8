#include "app/setup.h"

#include "app/conventions.h"
#include "app/global.h"
#include "app/init.h"
#include "app/layout.h"
#include "app/main1.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/notice.h"

kv::FormRef<SetupForm> setup;

namespace {
const kv::FontSpec GothicP12{"ＭＳ Ｐゴシック", 12, false, false};
const kv::FontSpec GothicP14B{"ＭＳ Ｐゴシック", 14.25, true, false};

void Button(kv::CommandButton& b, int x, int y, int w, int h, const std::string& text, const kv::FontSpec& f)
{
    b.Move(x, y, w, h);
    b.Caption(text);
    b.Font(f);
}
} // namespace

SetupForm::SetupForm()
{
    LayOut();
    for (short i = 0; i < 2; ++i) Command1[i].OnClick([this, i] { Command1_Click(i); });
    Command2.OnClick([this] { Command2_Click(); });
    Command3.OnClick([this] { Command3_Click(); });
    Command4.OnClick([this] { Command4_Click(); });
    Command5.OnClick([this] { Command5_Click(); });
    Drive1.OnChange([this] { Drive1_Change(); });
    // The close box acts as Cancel.
    OnCloseBox([this] { Command4_Click(); });
}

void SetupForm::LayOut()
{
    Caption("KORVEL Setup");
    ClientSize(12480, 9930);
    Picture("setup_bg");

    TransparentLabel(Label3, 930, 315, 2445, 390, "KORVEL Setup", {"Arial", 15.75, true, false}, White);
    TransparentLabel(Label6, 3780, 285, 7860, 420, "ベンチマークの前に、二つのフォルダを設定して下さい",
              {"ＭＳ Ｐゴシック", 14.25, false, false}, 0x0080FFFF);
    Picture1.Move(555, 930, 6060, 4575);
    Picture1.Picture("logo");
    TransparentLabel(Label1, 4620, 3780, 1200, 510, "2002", {"Arial", 24, true, true}, 0x00FF0000);
    TransparentLabel(Label2, 3720, 2625, 2115, 330, "Total Benchmark", {"Arial", 12, true, true}, White);
    TransparentLabel(Label7, 180, 3930, 4155, 330, "", {"Arial", 14.25, true, false}, White);

    TransparentLabel(Label4, 465, 6540, 6495, 405, "実行時のフォルダ(KORVEL.exeのあるフォルダ)", GothicP14B, 0x0000FFFF);
    Text1[0].Move(420, 6990, 6510, 420);
    Button(Command1[0], 7020, 7020, 855, 390, "参照", GothicP12);
    TransparentLabel(Label5, 435, 7890, 6495, 405, "データ保存用フォルダ(レポートファイル出力等)", GothicP14B, 0x0000FFFF);
    Text1[1].Move(405, 8370, 6510, 420);
    Button(Command1[1], 7020, 8385, 855, 390, "参照", GothicP12);
    for (int i = 0; i < 2; ++i) Text1[i].Font(GothicP12);

    Frame1.Move(6930, 795, 4635, 4695);
    Frame1.Caption("path view");
    Frame1.Font(Arial12B);
    Frame1.ForeColor(White);
    Frame1.BackColor(0x00404040);
    Drive1.Move(240, 360, 4215, 300);
    Dir1.Move(255, 840, 4170, 2820);
    Button(Command3, 1110, 3945, 1050, 420, "OK", Arial12B);
    Button(Command2, 2685, 3960, 1050, 420, "cancel", Arial12B);
    Frame1.Visible(false);

    Button(Command5, 9690, 8130, 1710, 465, "OK", Arial12B);
    Button(Command4, 9690, 9000, 1710, 465, "Cancel", Arial12B);
}

void SetupForm::Form_Load()
{
    Label7.Caption(std::string("Version ") + VersionText);
    Text1[0].Text(global::ExeFolder);
    Text1[1].Text(global::DataFolder);
    Show();
    Text1[0].SetFocus();
}

void SetupForm::Command1_Click(short Index)
{
    Frame1.Visible(true);
    global::BrowseIndex = Index;
}

void SetupForm::Drive1_Change()
{
    try {
        Dir1.Path(conv::Left(Drive1.Drive(), 2));
    } catch (const kv::RuntimeError&) {
        // A drive that is not ready leaves the folder list where it was.
    }
}

void SetupForm::Command3_Click()
{
    Text1[global::BrowseIndex].Text(Dir1.Path());
    Frame1.Visible(false);
}

void SetupForm::Command2_Click() { Frame1.Visible(false); }

namespace {
// A folder the settings file can hold: not empty, and no line end in it,
// which would split it into lines of the file (a folder pasted with its line
// end is the usual way one gets there).
bool Storable(const std::string& folder)
{
    return !folder.empty() && folder.find_first_of("\r\n") == std::string::npos;
}
} // namespace

void SetupForm::Command5_Click()
{
    const std::string a = Text1[0].Text();
    if (!Storable(a)) {
        kv::Notice("設定が正しくありません");
        return;
    }
    const std::string b = Text1[1].Text();
    if (!Storable(b)) {
        kv::Notice("設定が正しくありません");
        return;
    }
    const std::string path = global::SystemFolder + "\\KORVEL.ini";
    if (FileExists(path) && !kv::Question("上書きしますか？")) return;
    try {
        // Written beside the old file and renamed over it, so a failed write
        // never loses the settings there were.
        kv::ReplaceFileAtomically(path, a + "\r\n" + b + "\r\n");
    } catch (const kv::RuntimeError& e) {
        kv::ErrorNotice("エラーの為、記録出来ませんでした(Err=", e.Number());
        return;
    }
    setup.Unload();
    Main1->Show();
    global::ExeFolder = a;
    global::DataFolder = b;
}

void SetupForm::Command4_Click()
{
    setup.Unload();
    Main1->Show();
}
