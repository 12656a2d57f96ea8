// The Normal / Compar mode switch.
#include "app/global.h"
#include "app/layout.h"
#include "app/main1.h"

namespace {
constexpr kv::Color Purple = 0x00C000C0;
} // namespace

// Applies the whole of the selected mode on every click, whichever option
// raised it. The comment texts stay until their rows run again.
void Main1Form::Option1_Click(int)
{
    const bool normal = Option1[0].Value();
    Option1[normal ? 0 : 1].ForeColor(Green);
    Option1[normal ? 1 : 0].ForeColor(White);
    Label24.ForeColor(normal ? Purple : Red);
    Label24.Caption(normal ? "Normal mode" : "Compar mode");
    global::DisplayMode = normal ? 1 : 2;
    for (kv::Label* comment : {&Label5, &Label11, &Label15, &Label25, &Label26, &Label27})
        comment->BackColor(normal ? Black : Blue);
    // Nothing to compare with yet: Load, as if its button were pressed (its
    // handler belongs to the comparison data, above this folder).
    if (!normal && global::ComparLoaded == 0) Command16.Click();
}
