// The file chooser through its controls, and the file list's pattern.
#include "compar_support.h"

#include "results/compar_file.h"

#include <unistd.h>

namespace {

using Chooser = ComparTest;

std::ptrdiff_t RowOf(const std::vector<std::string>& entries, const std::string& name)
{
    const auto at = std::find(entries.begin(), entries.end(), name);
    EXPECT_NE(at, entries.end()) << name;
    return at - entries.begin();
}

TEST_F(Chooser, ThePathBoxFollowsEveryEventAndOkReturnsItUnchanged)
{
    const std::filesystem::path sub = home / "d" / "sub";
    std::filesystem::create_directories(sub / "folder.kvd");
    for (const char* name : {"b.KVD", "a.kvd", "c.txt", ".hidden.kvd", "a.kvdx", "kvd"}) Write(sub / name, "");
    std::filesystem::create_directories(home / "start");
    Write(home / "start" / "typed.kvd", ComparisonFileText({5, 4, 3, 2, 1, 0}));
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(home / "start");

    // Opened on its own, it starts at the working folder.
    KV_Common.Load();
    EXPECT_EQ(KV_Common->Caption(), "KORVEL CommonDialog1");
    EXPECT_EQ(KV_Common->Text1.Text(), "C:\\start\\");
    KV_Common.Unload();

    std::vector<std::string> boxes, listed;
    atChooser.push_back([&](KV_CommonForm& c) {
        boxes.push_back(c.Text1.Text());              // after the caller's set-up
        EXPECT_EQ(c.Drive1.Drive().substr(0, 2), "c:");
        c.Drive1.Drive("d:");
        boxes.push_back(c.Text1.Text());              // a drive's root: "\" twice
        c.Dir1.OpenEntry(int(RowOf(c.Dir1.Entries(), "sub")));
        boxes.push_back(c.Text1.Text());
        listed = c.File1.Entries();
        c.File1.ClickEntry(int(RowOf(listed, "b.KVD")));
        boxes.push_back(c.Text1.Text());
        c.File1.Pattern("?.*");
        listed.push_back("|");
        for (const auto& name : c.File1.Entries()) listed.push_back(name);
        Type("typed.kvd")(c);                         // taken from the working folder
    });
    Main1->Command16.Click();
    std::filesystem::current_path(before);

    EXPECT_EQ(boxes, (std::vector<std::string>{"C:\\data\\", "D:\\\\", "D:\\sub\\", "D:\\sub\\b.KVD"}));
    EXPECT_EQ(listed, (std::vector<std::string>{"a.kvd", "b.KVD", "|", "a.kvd", "a.kvdx", "b.KVD", "c.txt"}));
    EXPECT_EQ(global::ChosenPath, "typed.kvd");
    EXPECT_EQ(global::ComparIndex, (std::array<std::int32_t, TestCount>{5, 4, 3, 2, 1, 0}));
}

TEST_F(Chooser, AFolderOpenedAfterAClickDropsTheNameAndADriveThatCannotBeReadChangesNothing)
{
    AddDriveWithoutFolder('E');
    Write(data / "x.kvd", "");
    std::filesystem::create_directories(data / "inner");
    atChooser.push_back([](KV_CommonForm& c) {
        c.File1.ClickEntry(0);
        EXPECT_EQ(c.Text1.Text(), "C:\\data\\x.kvd");
        c.Dir1.OpenEntry(int(RowOf(c.Dir1.Entries(), "inner")));
        EXPECT_EQ(c.Text1.Text(), "C:\\data\\inner\\");
        EXPECT_EQ(c.File1.FileName(), "");
        c.Drive1.Drive("e:");
        EXPECT_EQ(c.Dir1.Path(), "C:\\data\\inner");
        EXPECT_EQ(c.Text1.Text(), "C:\\data\\inner\\");
        Cancel(c);
    });
    Main1->Command16.Click();
    EXPECT_TRUE(responder.notices.empty());
    EXPECT_EQ(global::ChosenPath, "");
}

} // namespace
