#include "analyze/test_windows.h"

kv::FormRef<TextTestForm> TextTest;
kv::FormRef<GraphTestForm> GraphTest;

TextTestForm::TextTestForm()
{
    Caption("KORVEL Text Test");
    ClientSize(8325, 8340);
    Picture("bg556");
    ListView1.Move(810, 1260, 6570, 5715);
    // The window must stay until its test unloads it: closing it while the
    // test runs is ignored, and the test runs to its end.
    OnCloseBox([] {});
}

void TextTestForm::Form_Load() { Show(); }

GraphTestForm::GraphTestForm()
{
    Caption("KORVEL Graph Test");
    ClientSize(8235, 8310);
    Picture("bg556");
    OnCloseBox([] {});
}

void GraphTestForm::Form_Load() { Show(); }
