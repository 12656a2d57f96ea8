// Save and Load of the comparison data, through the file chooser.
#include "app/global.h"
#include "app/init.h"
#include "app/main1.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/notice.h"
#include "platform/pump.h"
#include "results/compar_file.h"
#include "results/kv_common.h"
#include "runs/all_runs.h"

namespace {

bool HasWildcards(const std::string& path) { return path.find_first_of("*?") != std::string::npos; }

// Opens the chooser on the data folder's comparison-data files and waits for
// its answer: the path to use, or "" when nothing was chosen. A failure while
// setting it up (no such data folder) closes it again and throws: nobody
// would wait on it.
std::string ChooseComparisonFile(const std::string& prompt)
{
    KV_Common.Load();
    KV_CommonForm& chooser = KV_Common.Get();
    try {
        chooser.Label1.Caption(prompt);
        chooser.File1.Path(global::DataFolder);
        chooser.Dir1.Path(global::DataFolder);
        chooser.File1.Pattern("*.kvd");
    } catch (...) {
        KV_Common.Unload();
        throw;
    }
    global::ChooserOpen = 1;
    while (global::ChooserOpen != 0 && KV_Common.Loaded()) kv::WaitEvents();
    if (global::ChooserOpen != 0) {
        // Closed some other way than by its buttons: as cancel.
        global::ChooserOpen = 0;
        global::ChosenPath = "";
    }
    return global::ChosenPath;
}

} // namespace

void Main1Form::Command15_Click()
{
    Enabled(false);
    // A failed row run has already given the window back and said why.
    if (!RunMissingTests()) return;
    Visible(false);
    int failure = -1;
    try {
        const std::string path = ChooseComparisonFile("比較用データを保存します");
        // A wildcard would make a file of that literal name, or let the
        // existence check below find some other file.
        if (HasWildcards(path)) throw kv::RuntimeError(kv::ErrBadFileName, "wildcards in " + path);
        if (!path.empty() && (!FileExists(path) || kv::Question("同一のファイル名が存在します。上書きしますか？"))) {
            // Written beside the old file and renamed over it: a failure
            // leaves the old file as it was.
            kv::ReplaceFileAtomically(path, ComparisonFileText(global::TestIndex));
            kv::Notice("記録完了！");
        }
    } catch (...) {
        failure = kv::CurrentErrNumber();
    }
    // A failure gives the window back before its notice says why.
    Enabled(true);
    Show();
    if (failure >= 0) kv::ErrorNotice("エラーの為、記録出来ませんでした(Err=", failure);
}

void Main1Form::Command16_Click()
{
    Visible(false);
    int failure = -1;
    try {
        const std::string path = ChooseComparisonFile("比較用データを読み込みます");
        if (path.empty()) {
            // Nothing chosen.
        } else if (HasWildcards(path) || !FileExists(path)) {
            kv::Notice("ファイルが見つかりません。(Err=0)");
        } else {
            // Seven short lines: what follows them is never needed, so only
            // the start of a large file is read.
            LoadComparisonValues(kv::ReadFileStart(path, 1 << 20));
            kv::Notice("比較用データを読み込みました");
            global::ComparLoaded = 1;
        }
    } catch (...) {
        failure = kv::CurrentErrNumber();
    }
    Show();
    if (failure >= 0) kv::ErrorNotice("エラーの為、読み込めませんでした(Err=", failure);
}
