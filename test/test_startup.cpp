// Start-up in its three cases, the settings reader's rules and the main
// window's own handlers.
#include "gui_support.h"

#include "platform/files.h"

#include <cerrno>
#include <functional>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

class StartUp : public GuiTest {
protected:
    bool OnlySetupShown() { return setup.Loaded() && setup->Shown() && !Main1->Shown(); }
};

// The setup picture opens setup on the folders read; END ends the program.
TEST_F(StartUp, TwoLinesEndedByCrLfShowTheMainWindowInNormalModeAndEndEndsIt)
{
    struct Case { const char* bytes; const char* exe; const char* data; };
    const Case cases[] = {{"C:\\A\r\nD:\\B\r\nthird line\r\n", "C:\\A", "D:\\B"}, {"\r\n\r\n", "", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        global::ResetAll();
        WriteSettings(c.bytes);
        Main1.Load();
        EXPECT_TRUE(responder.notices.empty());
        EXPECT_FALSE(setup.Loaded());
        EXPECT_TRUE(Main1->Shown() && Main1->Enabled());
        EXPECT_EQ(global::ExeFolder + "|" + global::DataFolder, c.exe + std::string("|") + c.data);
        EXPECT_EQ(global::DisplayMode, 1);
        EXPECT_EQ(Main1->Label24.Caption(), "Normal mode");
        Main1->Picture1_Click();
        EXPECT_TRUE(OnlySetupShown());
        EXPECT_EQ(setup->Text1[0].Text() + "|" + setup->Text1[1].Text(), c.exe + std::string("|") + c.data);
        setup.Unload();
        Main1->Command2.Click();
        EXPECT_FALSE(Main1.Loaded());
    }
    EXPECT_EQ(ended, 2);
}

// Anything but two CR LF lines opens setup with the main window hidden: no
// file (not even its folder) silently, anything else with the notice and its
// reason. A file that cannot be read, a huge one (sparse), a folder or a FIFO
// nobody writes to is neither read whole, nor waited on, nor taken for a
// missing file that setup could then never replace.
TEST_F(StartUp, AnythingElseOpensSetupWithTheMainWindowHiddenAndTheNoticeIfThereIsAFile)
{
    using Make = std::function<void(const fs::path&)>;
    const auto bytes = [](std::string b) -> Make {
        return [b](const fs::path& p) { std::ofstream(p, std::ios::binary) << b; };
    };
    const Make good = bytes("C:\\A\r\nD:\\B\r\n");
    struct Case { const char* what; Make make; int err; const char* exe; };
    const Case cases[] = {
        {"no file", [](const fs::path&) {}, -1, ""},
        {"empty", bytes(""), 0, ""},
        {"no line end", bytes("C:\\A"), 0, ""},
        {"LF alone is no line end", bytes("C:\\A\nD:\\B\n"), 0, ""},
        {"second line end missing", bytes("C:\\A\r\nD:\\B"), 0, "C:\\A"},
        {"second line ends in LF", bytes("C:\\A\r\nD:\\B\n"), 0, "C:\\A"},
        {"unreadable", [&](const fs::path& p) { good(p); kv::InjectFaultForTest(kv::FaultAt::Read, EACCES); }, 70, ""},
        {"huge", [&](const fs::path& p) { good(p); fs::resize_file(p, 100ull << 30); }, 7, ""},
        {"folder", [](const fs::path& p) { fs::create_directory(p); }, 75, ""},
        {"fifo", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, 75, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        global::ResetAll();
        responder.notices.clear();
        if (c.err >= 0) fs::create_directories(SettingsPath().parent_path());
        fs::remove_all(SettingsPath());
        c.make(SettingsPath());
        Main1.Load();
        kv::InjectFaultForTest(kv::FaultAt::Read, 0);
        const std::string notice = "エラーの為、読み込めませんでした(Err=" + std::to_string(c.err) + ")";
        EXPECT_EQ(responder.notices, c.err < 0 ? std::vector<std::string>{} : std::vector<std::string>{notice});
        EXPECT_TRUE(OnlySetupShown());
        EXPECT_EQ(setup->Text1[0].Text(), c.exe);
        EXPECT_EQ(setup->Text1[1].Text(), "");
        EXPECT_EQ(global::SettingsMissing, 0);
        EXPECT_EQ(global::SystemFolder, (home / ".config").string());
        setup.Unload();
        Main1.Unload();
        kv::DoEvents();
    }
}

} // namespace
