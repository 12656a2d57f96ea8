#pragma once
// The file chooser "KORVEL CommonDialog1": a prompt, drive, folder and file
// lists and a path box. It is modeless: its caller sets it up, sets
// ChooserOpen to 1 and pumps messages until OK or cancel sets it back to 0;
// ChosenPath then holds the path box's text, or "" for cancel.
#include "platform/ui.h"

#include <string>

class KV_CommonForm : public kv::Form {
public:
    KV_CommonForm();

    // In tab order.
    kv::DriveListBox Drive1{*this};
    kv::DirListBox Dir1{*this};
    kv::FileListBox File1{*this};
    kv::Label Label1{*this};
    kv::CommandButton Command1{*this}, Command2{*this};
    kv::TextBox Text1{*this};

    void Command1_Click();
    void Command2_Click();
    void Dir1_Change();
    void Drive1_Change();
    void File1_Click();
    void Form_Load();

private:
    void LayOut();
    // OK and cancel: hand `chosen` back, close, show the main window.
    void Close(const std::string& chosen);
};

extern kv::FormRef<KV_CommonForm> KV_Common;
