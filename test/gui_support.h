#pragma once
// Shared set-up of the window tests: a fresh home folder (so the settings
// file is a temporary one), the shared state of a fresh start, a responder
// that records notices and answers questions, and no real end of program.
#include "app/global.h"
#include "app/main1.h"
#include "app/setup.h"
#include "platform/drives.h"
#include "platform/notice.h"
#include "platform/pump.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

struct RecordingResponder : kv::Responder {
    std::vector<std::string> notices;
    std::vector<std::string> questions;
    std::deque<bool> answers;  // answers to the coming questions; No when empty
    void Notice(const std::string& text) override { notices.push_back(text); }
    bool Question(const std::string& text) override
    {
        questions.push_back(text);
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
};

class GuiTest : public ::testing::Test {
protected:
    std::filesystem::path home;
    RecordingResponder responder;
    int ended = 0;
    std::vector<kv::DriveInfo> drives;

    void SetUp() override
    {
        char pattern[] = "/tmp/kvhomeXXXXXX";
        home = mkdtemp(pattern);
        setenv("HOME", home.c_str(), 1);
        std::filesystem::create_directories(home / "d");
        // C: is the home folder, D: another folder, as on a two-drive machine.
        kv::DriveInfo c;
        c.letter = 'C';
        c.root = home.string();
        c.mountPoint.assign(1, '/');   // not = "/": GCC 12 warns falsely (-Wrestrict)
        c.label = "home";
        kv::DriveInfo d = c;
        d.letter = 'D';
        d.root = (home / "d").string();
        d.mountPoint = d.root;
        d.label = "data";
        drives = {c, d};
        kv::SetDrivesForTest(&drives);
        global::ResetAll();
        kv::SetResponder(&responder);
        kv::SetEndHandler([this] { ++ended; });
    }

    void TearDown() override
    {
        kv::UnloadAllForms();
        kv::DoEvents();
        kv::SetResponder(nullptr);
        kv::SetEndHandler(nullptr);
        kv::SetDrivesForTest(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    }

    // A drive whose root folder is not there, as an empty removable drive.
    void AddDriveWithoutFolder(char letter)
    {
        kv::DriveInfo gone = drives[1];
        gone.letter = letter;
        gone.root = (home / "missing").string();
        gone.label = "gone";
        drives.push_back(gone);
        kv::SetDrivesForTest(&drives);
    }

    std::filesystem::path SettingsPath() const { return home / ".config" / "KORVEL.ini"; }

    void WriteSettings(const std::string& bytes) const
    {
        std::filesystem::create_directories(SettingsPath().parent_path());
        WriteFile(SettingsPath(), bytes);
    }

    std::string ReadSettingsBytes() const { return ReadFile(SettingsPath()); }
};
