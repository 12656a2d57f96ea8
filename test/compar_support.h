#pragma once
// The main window with a data folder C:\data, instant row runs, and a driver
// that plays the user's part in the file chooser: whenever Save or Load waits
// for it, the next queued action runs on it (and must press OK or cancel).
#include "fake_clock.h"
#include "gui_support.h"

#include "platform/sound.h"
#include "results/kv_common.h"
#include "runs/row_run.h"

#include <QTimer>

#include <deque>
#include <functional>

class ComparTest : public GuiTest {
protected:
    FakeClock clock;
    QTimer driver;
    std::deque<std::function<void(KV_CommonForm&)>> atChooser;
    std::filesystem::path data;

    void SetUp() override
    {
        GuiTest::SetUp();
        data = home / "data";
        std::filesystem::create_directories(data);
        WriteSettings("C:\\prog\r\nC:\\data\r\n");
        Main1.Load();
        kv::SetSoundPlayerForTest([](const std::string&) {});
        driver.setInterval(0);
        QObject::connect(&driver, &QTimer::timeout, [this] {
            if (global::ChooserOpen != 1 || !KV_Common.Loaded()) return;
            KV_CommonForm& chooser = KV_Common.Get();
            if (atChooser.empty()) {
                ADD_FAILURE() << "the chooser opened unexpectedly";
                chooser.Command2.Click();
                return;
            }
            const auto act = std::move(atChooser.front());
            atChooser.pop_front();
            act(chooser);
        });
        driver.start();
    }

    void TearDown() override
    {
        driver.stop();
        for (int t = 0; t < TestCount; ++t) SetRowTestForTest(static_cast<TestKind>(t), {});
        kv::SetSoundPlayerForTest({});
        GuiTest::TearDown();
    }

    // The user types `path` into the path box and presses OK.
    static std::function<void(KV_CommonForm&)> Type(const std::string& path)
    {
        return [path](KV_CommonForm& c) {
            c.Text1.Text(path);
            c.Command1.Click();
        };
    }
    static void Cancel(KV_CommonForm& c) { c.Command2.Click(); }

    static std::string Bytes(const std::filesystem::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void Write(const std::filesystem::path& p, const std::string& bytes)
    {
        std::ofstream(p, std::ios::binary) << bytes;
    }
};
