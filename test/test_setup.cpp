// The setup window through its controls: checks, the settings file it
// writes, the question before replacing one, and the folder picker.
#include "gui_support.h"

#include "platform/files.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <cerrno>

namespace {

constexpr const char* BadSettings = "設定が正しくありません";

class Setup : public GuiTest {
protected:
    void FirstStart() { Main1.Load(); }
    void StartWith(const std::string& bytes)
    {
        WriteSettings(bytes);
        Main1.Load();
        Main1->Picture1_Click();
    }
};

TEST_F(Setup, FirstStartRefusesEmptyFoldersAndWritesNothing)
{
    FirstStart();
    ASSERT_TRUE(setup.Loaded());
    EXPECT_EQ(setup->Label7.Caption(), "Version 1.01");
    setup->Command5.Click();
    setup->Text1[0].Text("C:\\prog");
    setup->Command5.Click();  // the data folder is still empty
    ASSERT_EQ(responder.notices.size(), 2u);
    EXPECT_EQ(responder.notices[0], BadSettings);
    EXPECT_EQ(responder.notices[1], BadSettings);
    EXPECT_TRUE(setup->Shown());
    EXPECT_FALSE(Main1->Shown());
    EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
}

TEST_F(Setup, OkWritesBothFoldersByteForByteAndTakesThemAtOnce)
{
    FirstStart();
    setup->Text1[0].Text(" ");  // a blank is not empty: it is saved as it is
    setup->Text1[1].Text("D:\\データ");
    setup->Command5.Click();
    EXPECT_TRUE(responder.notices.empty());
    EXPECT_TRUE(responder.questions.empty());
    EXPECT_EQ(ReadSettingsBytes(), " \r\nD:\\データ\r\n");
    EXPECT_FALSE(setup.Loaded());
    EXPECT_TRUE(Main1->Shown());
    EXPECT_EQ(global::ExeFolder, " ");
    EXPECT_EQ(global::DataFolder, "D:\\データ");
}

TEST_F(Setup, ReplacingAnExistingFileAsksEveryTimeAndOnlyYesWrites)
{
    StartWith("C:\\A\r\nD:\\B\r\n");
    setup->Command5.Click();  // unchanged, asked all the same; No keeps all
    ASSERT_EQ(responder.questions.size(), 1u);
    EXPECT_EQ(responder.questions[0], "上書きしますか？");
    EXPECT_EQ(ReadSettingsBytes(), "C:\\A\r\nD:\\B\r\n");
    EXPECT_TRUE(setup->Shown());

    setup->Text1[1].Text("/srv/data");
    responder.answers = {true};
    setup->Command5.Click();
    EXPECT_EQ(responder.questions.size(), 2u);
    EXPECT_EQ(ReadSettingsBytes(), "C:\\A\r\n/srv/data\r\n");
    EXPECT_EQ(global::DataFolder, "/srv/data");
    EXPECT_TRUE(Main1->Shown());
}

TEST_F(Setup, AFolderWithALineEndIsRefusedAndNothingIsWritten)
{
    StartWith("C:\\A\r\nD:\\B\r\n");
    responder.answers = {true, true, true};
    for (const char* pasted : {"/tmp/k\r\n", "/tmp/k\n", "/tmp/\rk"}) {
        setup->Text1[1].Text(pasted);
        setup->Command5.Click();
        setup->Text1[1].Text("D:\\B");
        setup->Text1[0].Text(pasted);
        setup->Command5.Click();
        setup->Text1[0].Text("C:\\A");
    }
    EXPECT_EQ(responder.notices, std::vector<std::string>(6, BadSettings));
    EXPECT_TRUE(responder.questions.empty());
    EXPECT_EQ(ReadSettingsBytes(), "C:\\A\r\nD:\\B\r\n");
    EXPECT_TRUE(setup->Shown());
}

TEST_F(Setup, AFolderNameThatIsNotUtf8KeepsItsBytesWhenEdited)
{
    // A Latin-1 name from an old disk; the user adds a subfolder to it.
    StartWith("/mnt/old/caf\xe9\r\nD:\\B\r\n");
    setup->Text1[0].SetFocus();
    static_cast<QLineEdit*>(setup->Text1[0].Widget())->end(false);
    for (const char* ch : {"/", "s"}) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, ch);
        QApplication::sendEvent(setup->Text1[0].Widget(), &key);
    }
    responder.answers = {true};
    setup->Command5.Click();
    EXPECT_EQ(ReadSettingsBytes(), "/mnt/old/caf\xe9/s\r\nD:\\B\r\n");
    EXPECT_EQ(global::ExeFolder, "/mnt/old/caf\xe9/s");
}

TEST_F(Setup, ASettingsFileThatIsASymbolicLinkStaysOneAndItsTargetIsWritten)
{
    // As a dotfile manager keeps it: the link, relative, into a folder of its own.
    const std::filesystem::path dotfiles = home / "dotfiles";
    std::filesystem::create_directories(dotfiles);
    std::filesystem::create_directories(SettingsPath().parent_path());
    std::ofstream(dotfiles / "KORVEL.ini", std::ios::binary) << "C:\\A\r\nD:\\B\r\n";
    std::filesystem::create_symlink("../dotfiles/KORVEL.ini", SettingsPath());
    Main1.Load();
    Main1->Picture1_Click();
    setup->Text1[1].Text("D:\\new");
    responder.answers = {true};
    setup->Command5.Click();
    EXPECT_TRUE(std::filesystem::is_symlink(SettingsPath()));
    EXPECT_EQ(ReadSettingsBytes(), "C:\\A\r\nD:\\new\r\n");
    const auto beside = std::distance(std::filesystem::directory_iterator(dotfiles), {});
    EXPECT_EQ(beside, 1);   // no temporary left beside the target

    // A link whose target is not there yet: the target is created.
    std::filesystem::remove(dotfiles / "KORVEL.ini");
    Main1->Picture1_Click();
    setup->Text1[1].Text("D:\\again");
    setup->Command5.Click();
    EXPECT_TRUE(std::filesystem::is_symlink(SettingsPath()));
    EXPECT_EQ(ReadSettingsBytes(), "C:\\A\r\nD:\\again\r\n");
}

TEST_F(Setup, CancelAndTheCloseBoxWriteNothing)
{
    FirstStart();
    setup->Text1[0].Text("C:\\prog");
    setup->Command4.Click();
    EXPECT_FALSE(setup.Loaded());
    EXPECT_TRUE(Main1->Shown());
    EXPECT_EQ(global::ExeFolder, "");
    EXPECT_FALSE(std::filesystem::exists(SettingsPath()));

    Main1->Picture1_Click();
    setup->Text1[0].Text("C:\\other");
    setup->PressCloseBox();
    EXPECT_FALSE(setup.Loaded());
    EXPECT_TRUE(Main1->Shown());
    EXPECT_EQ(global::ExeFolder, "");
}

TEST_F(Setup, AFailedWriteKeepsTheOldFileTheWindowAndTheFolders)
{
    StartWith("C:\\A\r\nD:\\B\r\n");
    setup->Text1[0].Text("C:\\new");
    responder.answers = {true, true};
    for (kv::FaultAt where : {kv::FaultAt::Write, kv::FaultAt::Rename}) {
        kv::InjectFaultForTest(where, ENOSPC);
        setup->Command5.Click();
        kv::InjectFaultForTest(where, 0);
    }
    ASSERT_EQ(responder.notices.size(), 2u);
    EXPECT_EQ(responder.notices[0], "エラーの為、記録出来ませんでした(Err=61)");
    EXPECT_EQ(ReadSettingsBytes(), "C:\\A\r\nD:\\B\r\n");
    EXPECT_TRUE(setup->Shown());
    EXPECT_FALSE(Main1->Shown());
    EXPECT_EQ(global::ExeFolder, "C:\\A");
    // Nothing half-written is left beside it.
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(SettingsPath().parent_path())) entries += !e.is_directory();
    EXPECT_EQ(entries, 1);
}

TEST_F(Setup, TheFolderPickerPutsTheOpenedFolderIntoTheChosenBox)
{
    std::filesystem::create_directories(home / "work" / "inner");
    FirstStart();
    SetupForm& s = setup.Get();
    EXPECT_FALSE(s.Frame1.Visible());
    s.Command1[1].Click();
    EXPECT_TRUE(s.Frame1.Visible());
    EXPECT_EQ(global::BrowseIndex, 1);

    // A drive's root ends in "\".
    s.Drive1.Drive("d:");
    EXPECT_EQ(s.Dir1.Path(), "D:\\");
    s.Command3.Click();
    EXPECT_EQ(s.Text1[1].Text(), "D:\\");
    EXPECT_FALSE(s.Frame1.Visible());

    // Any other folder does not; it is opened by double-click.
    s.Command1[0].Click();
    s.Drive1.Drive("c:");
    EXPECT_EQ(s.Dir1.Path(), "C:\\");
    const auto entries = s.Dir1.Entries();
    const auto work = std::find(entries.begin(), entries.end(), "work");
    ASSERT_NE(work, entries.end());
    s.Dir1.OpenEntry(int(work - entries.begin()));
    EXPECT_EQ(s.Dir1.Path(), "C:\\work");
    s.Command3.Click();
    EXPECT_EQ(s.Text1[0].Text(), "C:\\work");
    EXPECT_EQ(s.Text1[1].Text(), "D:\\");

    // The frame's cancel only hides it.
    s.Command1[0].Click();
    s.Dir1.OpenEntry(0);
    s.Command2.Click();
    EXPECT_FALSE(s.Frame1.Visible());
    EXPECT_EQ(s.Text1[0].Text(), "C:\\work");
}

TEST_F(Setup, AHomeFolderReachedThroughALinkIsShownAsDriveC)
{
    // C: as the drive table may give it, through a link; the working folder
    // as the system gives it back, resolved.
    namespace fs = std::filesystem;
    fs::create_directories(home / "real" / "work");
    fs::create_directory_symlink(home / "real", home / "link");
    drives[0].root = (home / "link").string();
    struct Cwd {
        fs::path saved = fs::current_path();
        ~Cwd() { fs::current_path(saved); }
    } cwd;
    fs::current_path(home / "real" / "work");

    FirstStart();
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

TEST_F(Setup, ADriveThatCannotBeReadLeavesTheFolderListWhereItWas)
{
    AddDriveWithoutFolder('E');
    FirstStart();
    SetupForm& s = setup.Get();
    s.Command1[0].Click();
    s.Drive1.Drive("d:");
    s.Drive1.Drive("e:");
    EXPECT_EQ(s.Dir1.Path(), "D:\\");
    EXPECT_TRUE(responder.notices.empty());
}

} // namespace
