#include "app/init.h"

#include "app/global.h"
#include "app/main1.h"
#include "app/setup.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/notice.h"
#include "platform/system.h"

namespace {
constexpr std::size_t MaxSettingsBytes = 1 << 20;
} // namespace

std::string GetSystemDir() { return kv::UserConfigFolder(); }

void ReadSettings()
{
    global::SystemFolder = GetSystemDir();
    const std::string path = global::SystemFolder + "\\KORVEL.ini";
    // Something at the name that is not a normal file (a folder, a FIFO) is
    // not a missing file: it takes the read-error road below, so the user
    // learns why instead of meeting a failed save at every start.
    if (!FileExists(path) && !kv::PathExists(path)) {
        global::SettingsMissing = 1;
        return;
    }

    int err = 0;
    try {
        // Two folder lines are far shorter than this; a file larger than it
        // is not read at all, let alone held in memory whole.
        const std::string s = kv::ReadWholeFile(path, MaxSettingsBytes);
        const auto p = s.find("\r\n");
        if (p != std::string::npos) {
            global::ExeFolder = s.substr(0, p);
            const auto q = s.find("\r\n", p + 1);
            if (q != std::string::npos) {
                global::DataFolder = s.substr(p + 2, q - p - 2);
                return;
            }
        }
    } catch (const kv::RuntimeError& e) {
        // A file that is there but cannot be read takes the same road as a
        // malformed one, with the reason's number.
        err = e.Number();
    }

    kv::ErrorNotice("エラーの為、読み込めませんでした(Err=", err);
    setup.Load();
    Main1->Visible(false);
}

bool FileExists(const std::string& Path)
{
    // The search comes first, as the directory search would; the text tests
    // then reject what it may have matched for an empty or folder path.
    if (!kv::FindsNormalFile(Path)) return false;
    if (!Path.empty() && Path.back() == '\\') return false;
    if (Path.empty()) return false;
    return true;
}
