#pragma once
// The main window: six gauge rows, the ALL and overall-score boxes, the test
// drive, comparison data, information buttons, the mode switch, setup and END.
#include "platform/ui.h"

class Main1Form : public kv::Form {
public:
    Main1Form();

    // Light-weight controls, in painting order (later ones on top).
    kv::Image Image1{*this}, Image2{*this};
    kv::Shape Shape4{*this}, Shape1{*this};
    kv::Image Image3{*this}, Image8{*this}, Image5{*this}, Image6{*this}, Image7{*this}, Image4{*this};
    kv::Image Image9{*this}, Image10{*this};
    kv::ControlArray<kv::Shape, 5> Shape2{*this};
    kv::Shape Shape3{*this}, Shape5{*this}, Shape6{*this}, Shape7{*this}, Shape9{*this};
    kv::Shape Shape8{*this}, Shape10{*this}, Shape11{*this}, Shape12{*this};
    kv::Line Line7{*this};
    kv::Label Label8{*this}, Label9{*this}, Label12{*this}, Label16{*this}, Label17{*this}, Label18{*this};
    kv::Label Label24{*this}, Label6{*this}, Label4{*this}, Label10{*this}, Label22{*this};
    kv::Label Label23{*this}, Label14{*this}, Label28{*this};

    // Title strip.
    kv::PictureBox Picture4{*this};
    kv::Label Label1{Picture4}, Label2{Picture4};

    // Value panels and their labels.
    kv::PictureBox Picture5{*this}, Picture8{*this}, Picture16{*this};
    kv::PictureBox Picture27{*this}, Picture28{*this}, Picture29{*this};
    kv::Label Label3{Picture5}, Label7{Picture8}, Label13{Picture16};
    kv::Label Label19{Picture27}, Label20{Picture28}, Label21{Picture29};

    // Gauge strips and their 65 bars each.
    kv::PictureBox Picture3{*this}, Picture9{*this}, Picture17{*this};
    kv::PictureBox Picture30{*this}, Picture31{*this}, Picture32{*this};
    kv::ControlArray<kv::Line, 65> Line1{Picture3}, Line2{Picture9}, Line3{Picture17};
    kv::ControlArray<kv::Line, 65> Line4{Picture30}, Line5{Picture31}, Line6{Picture32};

    // Comment panels and their labels.
    kv::PictureBox Picture7{*this}, Picture13{*this}, Picture19{*this};
    kv::PictureBox Picture36{*this}, Picture37{*this}, Picture38{*this};
    kv::Label Label5{Picture7}, Label11{Picture13}, Label15{Picture19};
    kv::Label Label25{Picture36}, Label26{Picture37}, Label27{Picture38};

    // Buttons and the other windowed controls.
    kv::CommandButton Command1{*this}, Command3{*this}, Command4{*this};
    kv::CommandButton Command5{*this}, Command6{*this}, Command7{*this};
    kv::CommandButton Command8{*this}, Command9{*this};
    kv::CommandButton Command10{*this}, Command11{*this}, Command12{*this}, Command13{*this}, Command14{*this};
    kv::CommandButton Command15{*this}, Command16{*this}, Command2{*this};
    kv::DriveListBox Drive1{*this};
    kv::Frame Frame1{*this};
    kv::ControlArray<kv::OptionButton, 2> Option1{Frame1};
    kv::PictureBox Picture1{*this};

    // Handlers, in the order of their slots.
    void Command1_Click();
    void Command10_Click();
    void Command11_Click();
    void Command12_Click();
    void Command13_Click();
    void Command14_Click();
    void Command15_Click();
    void Command16_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Drive1_Change();
    void Form_Load();
    void Option1_Click(int Index);
    void Picture1_Click();

private:
    void LayOut();
    void LayOutRows();
    void LayOutBoxes();
};

extern kv::FormRef<Main1Form> Main1;

// Most of the window's handlers belong to the folders above this one (the
// runs, the information routines, the comparison data). The program's
// composition root installs what joins each control to its handler; every
// main window made afterwards is joined up as it is made.
using Main1Wiring = void (*)(Main1Form&);
void SetMain1Wiring(Main1Wiring wire);

// The current entry of the main window's drive list, such as "c: [home]".
// The HDD test takes its first two characters as the test drive.
std::string CurrentDriveOfMainList();
