#pragma once
// Shared set-up of the window tests: a fresh home folder (so the settings
// file is a temporary one), the shared state of a fresh start, a responder
// that records notices and answers questions, and no real end of program;
// and keys typed into a text box.
#include "app/global.h"
#include "app/main1.h"
#include "app/setup.h"
#include "platform/drives.h"
#include "platform/notice.h"
#include "platform/pump.h"
#include "temp_folder.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

inline void Press(QWidget* w, Qt::Key key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent down(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &down);
    QKeyEvent up(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &up);
}

inline void Type(kv::TextBox& box, std::initializer_list<std::pair<Qt::Key, const char*>> keys)
{
    box.SetFocus();
    for (const auto& [key, text] : keys) Press(box.Widget(), key, text);
}

struct RecordingResponder : kv::Responder {
    std::vector<std::string> notices, questions;
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
    TempFolder homeFolder;
    std::filesystem::path home = homeFolder.path;
    RecordingResponder responder;
    int ended = 0;
    std::vector<kv::DriveInfo> drives;

    void SetUp() override
    {
        setenv("HOME", home.c_str(), 1);
        std::filesystem::create_directories(home / "d");
        // C: is the home folder, D: another folder, as on a two-drive machine
        // (letter, root, mount point, type, source, label, kind, device).
        const std::string d = (home / "d").string();
        drives = {{'C', home.string(), "/", "", "", "home", kv::DriveKind::Fixed, 0},
                  {'D', d, d, "", "", "data", kv::DriveKind::Fixed, 0}};
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
    }

    // A drive whose root folder is not there, as an empty removable drive.
    void AddDriveWithoutFolder(char letter)
    {
        drives.push_back({letter, (home / "missing").string(), drives[1].mountPoint, "", "", "gone", kv::DriveKind::Fixed, 0});
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
