// How the window layer looks: a disabled control next to a locked form.
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

namespace {

TEST(Disabling, AControlLooksDisabledALockedFormDoesNot)
{
    kv::Form form;
    form.ClientSize(3000, 3000);
    kv::CommandButton end(form);
    end.Move(0, 0, 1095, 480);
    end.Caption("END");
    form.Show();
    auto look = [&] { return end.Widget()->grab().toImage(); };
    const QImage enabled = look();

    form.Enabled(false);
    EXPECT_FALSE(form.Enabled());
    EXPECT_TRUE(end.Enabled());
    EXPECT_EQ(look(), enabled);
    form.Enabled(true);

    end.Enabled(false);
    EXPECT_FALSE(end.Enabled());
    EXPECT_NE(look(), enabled);
}

} // namespace
