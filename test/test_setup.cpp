// The setup window through its controls: checks, the settings file it
// writes, the question before replacing one, and the folder picker.
#include "gui_support.h"

#include "platform/files.h"

#include <cerrno>

namespace {

namespace fs = std::filesystem;

constexpr const char* Settings = "C:\\A\r\nD:\\B\r\n";

class Setup : public GuiTest {
protected:
    void StartWith(const std::string& bytes)
    {
        WriteSettings(bytes);
        Main1.Load();
        Main1->Picture1_Click();
    }
};

TEST_F(Setup, OkOnTheFirstStartWritesBothFoldersByteForByteAndTakesThemAtOnce)
{
    Main1.Load();
    setup->Text1[0].Text(" ");  // a blank is not empty: it is saved as it is
    setup->Text1[1].Text("D:\\データ");
    setup->Command5.Click();
    EXPECT_TRUE(responder.notices.empty() && responder.questions.empty());
    EXPECT_EQ(ReadSettingsBytes(), " \r\nD:\\データ\r\n");
    EXPECT_TRUE(!setup.Loaded() && Main1->Shown());
    EXPECT_EQ(global::ExeFolder + "|" + global::DataFolder, " |D:\\データ");
}

TEST_F(Setup, ReplacingAFileRefusesBadFoldersFirstThenAsksEveryTimeAndOnlyYesWrites)
{
    const std::string old = "/mnt/old/caf\xe9\r\nD:\\B\r\n";   // a Latin-1 name from an old disk
    StartWith(old);
    // An empty folder, or one pasted with its line end, is refused before the question.
    for (int box : {0, 1})
        for (const char* bad : {"", "/tmp/k\r\n", "/tmp/k\n", "/tmp/\rk"}) {
            const std::string kept = setup->Text1[box].Text();
            setup->Text1[box].Text(bad);
            setup->Command5.Click();
            setup->Text1[box].Text(kept);
        }
    EXPECT_EQ(responder.notices, std::vector<std::string>(8, "設定が正しくありません"));
    EXPECT_TRUE(responder.questions.empty());

    setup->Command5.Click();  // unchanged, asked all the same; No keeps all
    EXPECT_EQ(responder.questions, std::vector<std::string>{"上書きしますか？"});
    EXPECT_EQ(ReadSettingsBytes(), old);
    EXPECT_TRUE(setup->Shown() && !Main1->Shown());

    setup->Text1[1].Text("/srv/data");
    responder.answers = {true};
    setup->Command5.Click();
    EXPECT_EQ(responder.questions.size(), 2u);
    EXPECT_EQ(ReadSettingsBytes(), "/mnt/old/caf\xe9\r\n/srv/data\r\n");
    EXPECT_EQ(global::ExeFolder + "|" + global::DataFolder, "/mnt/old/caf\xe9|/srv/data");
    EXPECT_TRUE(Main1->Shown());
}

TEST_F(Setup, ASettingsFileThatIsASymbolicLinkStaysOneAndItsTargetIsWritten)
{
    // As a dotfile manager keeps it: the link, relative, into a folder of its own.
    const fs::path dotfiles = home / "dotfiles";
    fs::create_directories(dotfiles);
    fs::create_directories(SettingsPath().parent_path());
    std::ofstream(dotfiles / "KORVEL.ini", std::ios::binary) << Settings;
    fs::create_symlink("../dotfiles/KORVEL.ini", SettingsPath());
    Main1.Load();
    responder.answers = {true};
    // The second time the link's target is not there: it is created.
    for (const char* data : {"D:\\new", "D:\\again"}) {
        Main1->Picture1_Click();
        setup->Text1[1].Text(data);
        setup->Command5.Click();
        EXPECT_TRUE(fs::is_symlink(SettingsPath()));
        EXPECT_EQ(ReadSettingsBytes(), "C:\\A\r\n" + std::string(data) + "\r\n");
        EXPECT_EQ(FilesIn(dotfiles), 1);   // no temporary left beside the target
        fs::remove(dotfiles / "KORVEL.ini");
    }
}

TEST_F(Setup, AFailedWriteCancelAndTheCloseBoxKeepTheOldFileAndTheFolders)
{
    StartWith(Settings);
    setup->Text1[0].Text("C:\\new");
    responder.answers = {true, true, true, true};
    for (kv::FaultAt where : {kv::FaultAt::Write, kv::FaultAt::Rename}) {
        kv::InjectFaultForTest(where, ENOSPC);
        setup->Command5.Click();
        kv::InjectFaultForTest(where, 0);
    }
    EXPECT_EQ(responder.notices, std::vector<std::string>(2, "エラーの為、記録出来ませんでした(Err=61)"));
    EXPECT_EQ(FilesIn(SettingsPath().parent_path()), 1);   // nothing half-written beside it
    EXPECT_TRUE(setup->Shown() && !Main1->Shown());

    setup->Command4.Click();
    EXPECT_FALSE(setup.Loaded());
    Main1->Picture1_Click();
    setup->Text1[0].Text("C:\\other");
    setup->PressCloseBox();
    EXPECT_TRUE(!setup.Loaded() && Main1->Shown());
    EXPECT_EQ(responder.questions.size(), 2u);
    EXPECT_EQ(ReadSettingsBytes(), Settings);
    EXPECT_EQ(global::ExeFolder, "C:\\A");
}

TEST_F(Setup, TheFolderPickerPutsTheChosenFolderIntoItsBoxAndCancelOnlyHidesIt)
{
    AddDriveWithoutFolder('E');
    Main1.Load();
    SetupForm& s = setup.Get();
    EXPECT_FALSE(s.Frame1.Visible());
    s.Command1[1].Click();
    EXPECT_TRUE(s.Frame1.Visible());
    // A drive that cannot be read leaves the list where it was; a root ends in "\".
    s.Drive1.Drive("d:");
    s.Drive1.Drive("e:");
    EXPECT_EQ(s.Dir1.Path(), "D:\\");
    EXPECT_TRUE(responder.notices.empty());
    s.Command3.Click();
    EXPECT_EQ(s.Text1[1].Text(), "D:\\");
    EXPECT_FALSE(s.Frame1.Visible());

    s.Command1[0].Click();
    s.Drive1.Drive("c:");
    EXPECT_EQ(s.Dir1.Path(), "C:\\");
    s.Command2.Click();
    EXPECT_FALSE(s.Frame1.Visible());
    EXPECT_EQ(s.Text1[0].Text(), "");
    s.Command1[0].Click();
    s.Command3.Click();
    EXPECT_EQ(s.Text1[0].Text() + s.Text1[1].Text(), "C:\\D:\\");
}

TEST_F(Setup, AHomeFolderReachedThroughALinkIsShownAsDriveC)
{
    // C: as the drive table may give it, through a link; the working folder
    // as the system gives it back, resolved.
    fs::create_directories(home / "real" / "work");
    fs::create_directory_symlink(home / "real", home / "link");
    drives[0].root = (home / "link").string();
    struct Cwd {
        fs::path saved = fs::current_path();
        ~Cwd() { fs::current_path(saved); }
    } cwd;
    fs::current_path(home / "real" / "work");

    Main1.Load();
    SetupForm& s = setup.Get();
    s.Command1[0].Click();
    EXPECT_EQ(s.Drive1.Drive(), "c: [home]");
    EXPECT_EQ(s.Dir1.Path(), "C:\\work");
    s.Dir1.OpenEntry(0);
    EXPECT_EQ(s.Dir1.Path(), "C:\\");
    // Back on the working folder's drive: the working folder, not the root.
    s.Drive1.Drive("d:");
    s.Drive1.Drive("c:");
    EXPECT_EQ(s.Dir1.Path(), "C:\\work");
    s.Command3.Click();
    EXPECT_EQ(s.Text1[0].Text(), "C:\\work");
}

} // namespace
