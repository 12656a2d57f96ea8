#pragma once
// Small helpers for laying windows out from their design tables.
#include "platform/ui.h"

#include <string>

// Design colours (0x00BBGGRR) that several windows share.
constexpr kv::Color Black = 0x00000000;
constexpr kv::Color White = 0x00FFFFFF;
constexpr kv::Color Red = 0x000000FF;
constexpr kv::Color Green = 0x0000FF00;
constexpr kv::Color Blue = 0x00FF0000;
constexpr kv::Color Yellow = 0x0000FFFF;
constexpr kv::Color DarkYellow = 0x0000C0C0;

// Design fonts that several windows share.
inline const kv::FontSpec Arial12B{"Arial", 12, true, false};
inline const kv::FontSpec Arial14B{"Arial", 14.25, true, false};
inline const kv::FontSpec Arial15B{"Arial", 15.75, true, false};
inline const kv::FontSpec Arial20B{"Arial", 20.25, true, false};
inline const kv::FontSpec MinchoP15B{"ＭＳ Ｐ明朝", 15.75, true, false};

// A caption on the window's own background.
inline void TransparentLabel(kv::Label& l, int x, int y, int w, int h, const std::string& caption,
                             const kv::FontSpec& font, kv::Color fore, kv::Align align = kv::Align::Left)
{
    l.Move(x, y, w, h);
    l.Caption(caption);
    l.Font(font);
    l.ForeColor(fore);
    l.Transparent(true);
    l.Alignment(align);
}

// The "Fighting Capacity" caption bar of the main window and of the
// overall-result window.
inline void FightingCapacityBar(kv::Label& l, int x, int y)
{
    l.Move(x, y, 5025, 360);
    l.Caption("Fighting Capacity");
    l.Font(Arial12B);
    l.ForeColor(0x00E0E0E0);
    l.BackColor(0x000000FF);
    l.BorderSingle(true);
    l.Alignment(kv::Align::Center);
}
