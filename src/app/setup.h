#pragma once
// The setup window: the program folder and the data folder, typed or picked
// in the "path view" frame, saved to the settings file by OK.
#include "platform/ui.h"

class SetupForm : public kv::Form {
public:
    SetupForm();

    kv::Label Label3{*this}, Label6{*this}, Label4{*this}, Label5{*this};
    kv::PictureBox Picture1{*this};
    kv::Label Label1{Picture1}, Label2{Picture1}, Label7{Picture1};
    kv::ControlArray<kv::TextBox, 2> Text1{*this};
    kv::ControlArray<kv::CommandButton, 2> Command1{*this};
    kv::Frame Frame1{*this};
    kv::DriveListBox Drive1{Frame1};
    kv::DirListBox Dir1{Frame1};
    kv::CommandButton Command3{Frame1}, Command2{Frame1};
    kv::CommandButton Command5{*this}, Command4{*this};

    void Command1_Click(short Index);
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Drive1_Change();
    void Form_Load();

private:
    void LayOut();
};

extern kv::FormRef<SetupForm> setup;
