#include "results/kv_common.h"

#include "app/global.h"
#include "app/layout.h"
#include "app/main1.h"
#include "platform/errors.h"

kv::FormRef<KV_CommonForm> KV_Common;

KV_CommonForm::KV_CommonForm()
{
    LayOut();
    Drive1.OnChange([this] { Drive1_Change(); });
    Dir1.OnChange([this] { Dir1_Change(); });
    File1.OnClick([this] { File1_Click(); });
    Command1.OnClick([this] { Command1_Click(); });
    Command2.OnClick([this] { Command2_Click(); });
    // The close box acts as cancel, so a caller waiting on the window always
    // gets its answer.
    OnCloseBox([this] { Command2_Click(); });
}

void KV_CommonForm::LayOut()
{
    Caption("KORVEL CommonDialog1");
    ClientSize(8265, 8295);
    Picture("bg556");
    Drive1.Move(420, 930, 3555, 300);
    Dir1.Move(405, 3660, 3630, 2610);
    File1.Move(4275, 930, 3495, 5310);
    TransparentLabel(Label1, 450, 375, 7485, 420, "", {"ＭＳ Ｐ明朝", 14.25, false, false}, 0x00FFFFFF);
    Command1.Move(5235, 7470, 1230, 480);
    Command1.Caption("OK");
    Command1.Font(Arial14B);
    Command2.Move(6615, 7470, 1230, 480);
    Command2.Caption("cancel");
    Command2.Font(Arial14B);
    Text1.Move(525, 6645, 7095, 435);
    Text1.Font({"ＭＳ Ｐゴシック", 12, false, false});
}

void KV_CommonForm::Form_Load()
{
    Show();
    Text1.Text(Dir1.Path() + "\\" + File1.FileName());
}

void KV_CommonForm::Drive1_Change()
{
    try {
        Dir1.Path(Drive1.Drive());
    } catch (const kv::RuntimeError&) {
        // A drive that cannot be read leaves the lists where they were.
    }
}

void KV_CommonForm::Dir1_Change()
{
    try {
        File1.Path(Dir1.Path());
    } catch (const kv::RuntimeError&) {
        // The folder list only opens folders it can read; one gone since
        // leaves the file list as it was.
    }
    Text1.Text(Dir1.Path() + "\\");
}

void KV_CommonForm::File1_Click() { Text1.Text(Dir1.Path() + "\\" + File1.FileName()); }

void KV_CommonForm::Command1_Click() { Close(Text1.Text()); }
void KV_CommonForm::Command2_Click() { Close(""); }

void KV_CommonForm::Close(const std::string& chosen)
{
    global::ChosenPath = chosen;
    KV_Common.Unload();
    global::ChooserOpen = 0;
    Main1->Show();
}
