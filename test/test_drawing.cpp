// What the program draws straight onto a window, and the list view of the
// TEXT test: both stay right however much is drawn or added.
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QImage>
#include <QScrollBar>
#include <QWidget>

namespace {

constexpr kv::Color Red = 0x000000FF, Blue = 0x00FF0000, Green = 0x0000FF00;

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

TEST(Drawing, ShapesStayThroughWholeRepaintsAndThousandsMore)
{
    kv::Form form;
    form.ClientSize(3000, 3000);   // 200 x 200 pixels
    form.BackColor(0x00FFFFFF);
    form.Show();
    (void)form.Widget()->grab();   // the first whole paint
    // A circle of radius 40 px around the middle, a box from 20,20 to 60,60.
    form.Circle(1500, 1500, 600, Red);
    form.Box(300, 300, 900, 900, Blue);
    // More than are gathered before they go onto the canvas, all on one spot.
    for (int i = 0; i < 70000; ++i) form.Circle(2700, 2700, 75, Green);
    form.Widget()->update();
    const QImage image = form.Widget()->grab().toImage();
    EXPECT_EQ(At(image, 140, 100), qRgb(255, 0, 0) & 0xFFFFFF);   // the circle's right edge
    EXPECT_EQ(At(image, 20, 40), qRgb(0, 0, 255) & 0xFFFFFF);     // the box's left edge
    EXPECT_EQ(At(image, 185, 180), qRgb(0, 255, 0) & 0xFFFFFF);   // the last circles
    EXPECT_EQ(At(image, 100, 100), qRgb(255, 255, 255) & 0xFFFFFF);   // outlines only
}

TEST(ListViewControl, AddsAtAnyPlaceAndScrollsTheAskedItemIntoView)
{
    kv::Form form;
    form.ClientSize(3000, 3000);
    kv::ListView list{form};
    list.Move(0, 0, 3000, 1500);   // a few rows high
    form.Show();
    for (int n = 1; n <= 500; ++n) {
        list.Add(n, "item " + std::to_string(n) + "\r\n");
        list.EnsureVisible(n);
    }
    auto* area = static_cast<QAbstractScrollArea*>(list.Widget());
    QScrollBar* bar = area->verticalScrollBar();
    EXPECT_EQ(bar->value(), bar->maximum());   // the end of the list in view
    EXPECT_GT(bar->maximum(), 400);

    list.Add(1, "first");
    EXPECT_EQ(list.Count(), 501);
    EXPECT_EQ(list.ItemText(1), "first");
    EXPECT_EQ(list.ItemText(501), "item 500\r\n");
    EXPECT_EQ(list.ItemText(502), "");

    list.EnsureVisible(1);
    EXPECT_EQ(bar->value(), 0);
    list.EnsureVisible(250);
    const int shown = bar->value();
    EXPECT_LE(shown, 249);
    EXPECT_GT(shown + bar->pageStep(), 249);
}

} // namespace
