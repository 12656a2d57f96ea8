#include "root/compose.h"

#include "app/main1.h"
#include "platform/errors.h"
#include "platform/notice.h"

namespace {

// Each of the main window's controls to its handler, wherever that lives.
void WireMain1(Main1Form& m)
{
    // A row run that fails has put its row back and passes the failure on:
    // the sequences that call these handlers stop on it, and a click on a
    // start button ends it here, telling the user why.
    auto row = [&m](void (Main1Form::*handler)()) {
        return [&m, handler] {
            try {
                (m.*handler)();
            } catch (...) {
                kv::RunTimeErrorNotice(kv::CurrentErrNumber());
            }
        };
    };
    m.Command1.OnClick(row(&Main1Form::Command1_Click));
    m.Command3.OnClick(row(&Main1Form::Command3_Click));
    m.Command4.OnClick(row(&Main1Form::Command4_Click));
    m.Command5.OnClick(row(&Main1Form::Command5_Click));
    m.Command6.OnClick(row(&Main1Form::Command6_Click));
    m.Command7.OnClick(row(&Main1Form::Command7_Click));
    m.Command8.OnClick([&m] { m.Command8_Click(); });
    m.Command9.OnClick([&m] { m.Command9_Click(); });
    m.Command10.OnClick([&m] { m.Command10_Click(); });
    m.Command11.OnClick([&m] { m.Command11_Click(); });
    m.Command12.OnClick([&m] { m.Command12_Click(); });
    m.Command13.OnClick([&m] { m.Command13_Click(); });
    m.Command14.OnClick([&m] { m.Command14_Click(); });
    m.Command15.OnClick([&m] { m.Command15_Click(); });
    m.Command16.OnClick([&m] { m.Command16_Click(); });
    m.Command2.OnClick([&m] { m.Command2_Click(); });
    m.Drive1.OnChange([&m] { m.Drive1_Change(); });
    m.Option1[0].OnClick([&m] { m.Option1_Click(0); });
    m.Option1[1].OnClick([&m] { m.Option1_Click(1); });
    m.Picture1.OnClick([&m] { m.Picture1_Click(); });
    // The close box ends the program, as END does; while a run has the
    // window locked it is ignored, not remembered for later.
    m.OnCloseBox([&m] {
        if (m.Enabled()) m.Command2_Click();
    });
}

} // namespace

void ComposeProgram() { SetMain1Wiring(&WireMain1); }
