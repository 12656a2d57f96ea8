#pragma once
// The certificate window: the overall rank, the report of every result, and
// three buttons: File Out appends the report to the report file, Copy prints
// the window, OK closes it.
#include "platform/ui.h"

class ReportForm : public kv::Form {
public:
    ReportForm();

    kv::Label Label1{*this}, Label2{*this}, Label3{*this};
    kv::CommandButton Command1{*this};
    kv::TextBox Text1{*this, kv::TextBox::MultiLine};
    kv::CommandButton Command2{*this};
    kv::Label Label4{*this};
    kv::CommandButton Command3{*this};
    kv::Line Line1{*this};

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Form_Load();
    void Text1_KeyPress(int& KeyAscii);

private:
    void LayOut();
    void ShowButtons(bool show);
    bool copying_ = false;
};

extern kv::FormRef<ReportForm> Report;
