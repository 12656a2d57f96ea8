#pragma once
// Small helpers for laying windows out from their design tables.
#include "platform/ui.h"

#include <string>

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
