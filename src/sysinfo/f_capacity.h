#pragma once
// The overall-result window: computes the overall score while it loads,
// certifies it, lights its own bar gauge up to it, and shows the score, its
// level and title, with OK back to the main window and Report on to the
// certificate.
#include "platform/ui.h"

#include <cstdint>

class FCapacityForm : public kv::Form {
public:
    FCapacityForm();

    kv::Label Label1{*this}, Label10{*this}, Label2{*this}, Label3{*this};
    kv::PictureBox Picture1{*this};
    kv::ControlArray<kv::Line, 65> Line1{Picture1};
    kv::CommandButton Command1{*this}, Command14{*this};

    void Command1_Click();
    void Command14_Click();
    void Form_Load();

private:
    void LayOut();
    void LightGauge(std::int32_t n);
};

extern kv::FormRef<FCapacityForm> F_capacity;
