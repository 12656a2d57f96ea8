#pragma once
// The information window: one routine's text in a box the user can read and
// scroll but not change, and OK, which brings the main window back.
#include "platform/ui.h"

class InfoForm : public kv::Form {
public:
    InfoForm();

    kv::PictureBox Picture1{*this};
    kv::TextBox Text1{Picture1, kv::TextBox::MultiLine};
    kv::CommandButton Command1{*this};

    void Command1_Click();
    void Form_Load();
    void Text1_KeyPress(int& KeyAscii);
};

extern kv::FormRef<InfoForm> info;
