#pragma once
// The windows of the TEXT and Graph tests. Each exists only while its test
// runs: the test loads it and unloads it before it returns.
#include "platform/ui.h"

class TextTestForm : public kv::Form {
public:
    TextTestForm();
    kv::ListView ListView1{*this};
    void Form_Load();
};

class GraphTestForm : public kv::Form {
public:
    GraphTestForm();
    void Form_Load();
};

extern kv::FormRef<TextTestForm> TextTest;
extern kv::FormRef<GraphTestForm> GraphTest;
