// How the window layer looks, draws and answers: picture buttons, disabled
// controls, shapes, the TEXT and Graph tests in their windows, message
// boxes, and text boxes (the key-press hook, CR LF, pastes, line layout).
#include "gui_support.h"

#include "fake_clock.h"
#include "analyze/analyze.h"
#include "analyze/random.h"
#include "analyze/test_windows.h"
#include "platform/application.h"
#include "platform/notice.h"
#include "platform/ui.h"
#include "results/report.h"
#include "sysinfo/info_window.h"

#include <QAbstractScrollArea>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Do the picture's opaque pixels stand unchanged in the grab with its
// top-left corner at `at`? The grab's outermost ring is the button's bevel.
bool ShowsAt(const QImage& picture, const QImage& grab, QPoint at)
{
    int compared = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QPoint p = at + QPoint(x, y);
            if (!grab.rect().adjusted(1, 1, -1, -1).contains(p) || qAlpha(picture.pixel(x, y)) != 255) continue;
            if ((grab.pixel(p) & 0xFFFFFF) != (picture.pixel(x, y) & 0xFFFFFF)) return false;
            ++compared;
        }
    return compared > picture.width() * picture.height() / 2;
}

// A form of 200 x 200 pixels to look at.
struct Looks : ::testing::Test {
    kv::Form form;
    Looks() { form.ClientSize(3000, 3000); }
};

// Centred: the margins on either side differ by at most a pixel.
TEST_F(Looks, APictureButtonShowsItsPictureAtItsOwnSizeCentredAndCutOffByTheFace)
{
    kv::CommandButton start(form), wide(form);
    start.Move(0, 0, 615, 495);   // 41 x 33 pixels for a 38 x 37 picture
    start.Picture("btn_start");
    wide.Move(0, 600, 1125, 720);   // 75 x 48 pixels for a 76 x 46 picture
    wide.Picture("btn_fc");
    for (auto [button, name] : {std::pair{&start, "btn_start"}, {&wide, "btn_fc"}}) {
        SCOPED_TRACE(name);
        const QImage picture = QImage(QStringLiteral(":/art/%1.png").arg(QLatin1String(name)))
                                   .convertToFormat(QImage::Format_ARGB32);
        const QImage grab = button->Widget()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(picture.isNull());
        const int dx = grab.width() - picture.width(), dy = grab.height() - picture.height();
        int places = 0;
        for (const int x : {dx / 2, dx - dx / 2})
            for (const int y : {dy / 2, dy - dy / 2}) places += ShowsAt(picture, grab, {x, y});
        EXPECT_GE(places, 1);
    }
}

TEST_F(Looks, AControlLooksDisabledALockedFormDoesNot)
{
    kv::CommandButton end(form);
    end.Move(0, 0, 1095, 480);
    end.Caption("END");
    form.Show();
    auto look = [&] { return end.Widget()->grab().toImage(); };
    const QImage enabled = look();
    form.Enabled(false);
    EXPECT_TRUE(!form.Enabled() && end.Enabled());
    EXPECT_EQ(look(), enabled);
    form.Enabled(true);
    end.Enabled(false);
    EXPECT_NE(look(), enabled);
}


TEST_F(Looks, ShapesStayThroughWholeRepaintsAndThousandsMore)
{
    form.BackColor(0x00FFFFFF);
    form.Show();
    (void)form.Widget()->grab();   // the first whole paint
    // A red circle of radius 40 px around the middle, a blue box from 20,20 to 60,60.
    form.Circle(1500, 1500, 600, 0x000000FF);
    form.Box(300, 300, 900, 900, 0x00FF0000);
    // More than are gathered before they go onto the canvas, all on one spot.
    for (int i = 0; i < 70000; ++i) form.Circle(2700, 2700, 75, 0x0000FF00);
    form.Widget()->update();
    const QImage image = form.Widget()->grab().toImage();
    // The circle's right edge, the box's left edge, the last circles; outlines only.
    const struct { int x, y; QRgb rgb; } pixels[] = {
        {140, 100, 0xFF0000}, {20, 40, 0x0000FF}, {185, 180, 0x00FF00}, {100, 100, 0xFFFFFF}};
    for (const auto& p : pixels) EXPECT_EQ(image.pixel(p.x, p.y) & 0xFFFFFF, p.rgb) << p.x << "," << p.y;
}

// Each test starts from the main window of a fresh start.
class WindowTests : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        WriteSettings("C:\\A\r\nD:\\B\r\n");
        Main1.Load();
    }
};

// Items go at the end, the first of pass 2 following pass 1's, the last
// one scrolled into view; the close box pressed during the test is ignored.
TEST_F(WindowTests, TextAddsItemsAtTheEndAndCannotBeClosedMeanwhile)
{
    FakeClock clock;
    clock.step = 100;  // 20 units per 2000 ms pass
    bool shownDuring = false, lastInView = false;
    std::map<int, std::string> texts;
    clock.onRead = [&] {
        if (!TextTest.Loaded()) return;
        if (!shownDuring) TextTest->PressCloseBox();
        shownDuring = TextTest->Shown();
        const int n = TextTest->ListView1.Count();
        if (n == 1 || n == 20 || n == 21 || n == 40) texts[n] = TextTest->ListView1.ItemText(n);
        const QScrollBar* bar = static_cast<QAbstractScrollArea*>(TextTest->ListView1.Widget())->verticalScrollBar();
        if (n == 40) lastInView = bar->maximum() > 0 && bar->value() == bar->maximum();
    };
    EXPECT_EQ(AnalyzeText(), 4000);  // (20 + 20) / 3 x 300
    EXPECT_TRUE(shownDuring && lastInView);
    EXPECT_FALSE(TextTest.Loaded());
    const std::string one = "1234567890\r\n", two = "12345678901234567890\r\n";
    EXPECT_EQ(texts, (std::map<int, std::string>{{1, one}, {20, one}, {21, two}, {40, two}}));
    EXPECT_EQ(clock.reads, 2u * (1u + 20u));
    EXPECT_EQ(clock.slept, 1000u);
}

TEST_F(WindowTests, GraphDrawsTheRandomSequenceWithinItsBounds)
{
    FakeClock clock;
    clock.step = 100;  // 5 circles per pass; a box also sleeps 1 ms: 5 per pass
    std::vector<kv::DrawCall> drawn;
    kv::RecordDrawingForTest(&drawn);
    ResetRndForTest();
    EXPECT_EQ(AnalyzeGraph(), 26);  // 30 / 3 x 2.56 = 25.6
    kv::RecordDrawingForTest(nullptr);
    EXPECT_FALSE(GraphTest.Loaded());
    ASSERT_EQ(drawn.size(), 30u);

    // The same sequence a fresh start draws, in the order colour, radius.
    kv::RandomSource replay;
    auto component = [&] { return static_cast<kv::Color>(std::nearbyint(replay.Next() * 255.0f)); };
    const float w = 8235, h = 8310;
    for (size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE(i);
        const kv::DrawCall& d = drawn[i];
        const kv::Color r = component(), g = component(), b = component();
        EXPECT_EQ(d.color, r + 256 * g + 65536 * b);
        const bool circle = i < 15;   // then boxes
        EXPECT_EQ(d.kind, circle ? 'C' : 'B');
        EXPECT_FLOAT_EQ(d.x1, circle ? w / 2 : w / 5);
        EXPECT_FLOAT_EQ(d.y1, circle ? h / 2 : h / 5);
        EXPECT_FLOAT_EQ(d.x2, circle ? static_cast<float>(replay.Next() * (0.9 * (h / 2) + 1)) : w * 0.8f);
        if (!circle) { EXPECT_FLOAT_EQ(d.y2, h * 0.8f); }
    }
}

// Runs `show`, which opens a message box, and presses the button captioned
// `press`. Gives the box's buttons left to right, the default one marked "*".
std::vector<std::string> Answer(const std::string& press, const std::function<void()>& show)
{
    std::vector<std::string> seen;
    QTimer::singleShot(0, [&seen, press] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
        std::ranges::sort(buttons, {}, [box](QPushButton* b) { return b->mapTo(box, QPoint()).x(); });
        QPushButton* pressed = nullptr;
        for (QPushButton* b : buttons) {
            seen.push_back(b->text().toStdString() + (b->isDefault() ? "*" : ""));
            if (seen.back() == press) pressed = b;
        }
        pressed ? pressed->click() : void(box->close());
    });
    show();
    return seen;
}

// In the platform's order and in the desktop's language, English or Japanese.
TEST(MessageBoxes, ButtonsStandInThePlatformsOrderAndLanguage)
{
    kv::SetResponder(nullptr);
    const struct { const char* locale; std::vector<std::string> notice, question; } desktops[] = {
        {"en_US.UTF-8", {"Cancel*", "Try Again", "Continue"}, {"&Yes*", "&No"}},
        {"ja_JP.UTF-8", {"キャンセル*", "再試行", "続行"}, {"はい(&Y)*", "いいえ(&N)"}},
    };
    for (const auto& d : desktops) {
        SCOPED_TRACE(d.locale);
        kv::UseLanguage(d.locale);
        EXPECT_EQ(Answer(d.notice[2], [] { kv::Notice("設定が正しくありません"); }), d.notice);
        for (bool yes : {true, false}) {
            bool answer = !yes;
            EXPECT_EQ(Answer(d.question[yes ? 0 : 1], [&] { answer = kv::Question("上書きしますか？"); }), d.question);
            EXPECT_EQ(answer, yes);
        }
    }
    kv::UseLanguage();
}


TEST(TextBox, TheHookSeesEveryCharacterKeyLinesEndInCrLfAndBytesStay)
{
    kv::Form form;
    kv::TextBox box{form, kv::TextBox::MultiLine};
    const std::string text = "[ head ]\r\n\r\n\r\nline\r\n\r\n";
    box.Text(text);
    EXPECT_EQ(static_cast<QTextEdit*>(box.Widget())->toPlainText(), QString("[ head ]\n\n\nline\n\n"));

    // Keys without a character are not the hook's: Delete edits, though an
    // X server gives it the text DEL.
    std::vector<int> seen;
    box.OnKeyPress([&](int& k) { seen.push_back(k); k = 1; });
    Type(box, {{Qt::Key_A, "a"}, {Qt::Key_Backspace, "\b"}, {Qt::Key_Return, "\r"}, {Qt::Key_Left, ""}});
    Press(box.Widget(), Qt::Key_V, QString(QChar(22)), Qt::ControlModifier);
    Press(box.Widget(), Qt::Key_Delete, "\x7f");
    EXPECT_EQ(seen, (std::vector<int>{'a', 8, 13, 22}));
    EXPECT_EQ(box.Text(), text.substr(1));

    // Unchanged codes type, replaced ones type their replacement, in a
    // single-line box as in a multi-line one, whose typed lines end in CR LF.
    kv::TextBox line{form};
    for (kv::TextBox* b : {&line, &box}) {
        b->Text("");
        b->OnKeyPress([](int& k) { if (k == 'x') k = 'y'; });
        Type(*b, {{Qt::Key_A, "a"}, {Qt::Key_X, "x"}, {Qt::Key_Return, "\r"}});
    }
    EXPECT_EQ(line.Text() + "|" + box.Text(), "ay|ay\r\n");

    // Bytes that are not UTF-8 survive editing: Latin-1, an encoded surrogate, a
    // cut-off sequence and an overlong slash amid Japanese and a four-byte one.
    const std::string bytes = "/mnt/caf\xe9/\xed\xb2\x80/データ\xe3\x83/\xc0\xaf/\xf0\x9f\x8e\xb5";
    line.Text(bytes);
    box.Text(bytes + "\r\n\xff");
    static_cast<QLineEdit*>(line.Widget())->end(false);
    static_cast<QTextEdit*>(box.Widget())->moveCursor(QTextCursor::End);
    for (kv::TextBox* b : {&line, &box}) Type(*b, {{Qt::Key_Z, "z"}});
    EXPECT_EQ(line.Text() + "|" + box.Text(), bytes + "z|" + bytes + "\r\n\xffz");
}

// The information window's box and the certificate's, each with its text.
class WindowBoxes : public GuiTest {
protected:
    std::vector<QTextEdit*> Boxes()
    {
        info->Text1.Text("[ CPU infomation ]\r\n\r\n\r\n processor of ？？？\r\n\r\n");
        Report.Load();
        return {static_cast<QTextEdit*>(info->Text1.Widget()), static_cast<QTextEdit*>(Report->Text1.Widget())};
    }
    static kv::TextBox& BoxOf(QTextEdit* w) { return w == info->Text1.Widget() ? info->Text1 : Report->Text1; }
};

// Pasted text goes in, by the keys or the context menu; an empty clipboard, or
// one without text, changes nothing. (The middle button: smoke_info/overall.sh.)
TEST_F(WindowBoxes, APasteTakesTextAndNothingElse)
{
    auto paste = [](QTextEdit* w, bool byMenu) {
        if (!byMenu) return Press(w, Qt::Key_Insert, "", Qt::ShiftModifier);
        QContextMenuEvent e(QContextMenuEvent::Keyboard, QPoint(4, 4), w->viewport()->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(w->viewport(), &e);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QAction* action = menu->findChild<QAction*>("edit-paste");
        ASSERT_NE(action, nullptr);
        if (action->isEnabled()) action->trigger();
        menu->close();
    };
    for (QTextEdit* w : Boxes()) {
        kv::TextBox& box = BoxOf(w);
        const std::string before = box.Text();
        w->setFocus();
        for (bool byMenu : {false, true})
            for (int kind : {0, 1, 2}) {   // an empty clipboard, a picture, text
                auto* data = new QMimeData;
                if (kind == 1) data->setImageData(QImage(4, 4, QImage::Format_RGB32));
                if (kind == 2) data->setText("貼った\n");
                box.Text(before);
                QGuiApplication::clipboard()->setMimeData(data);
                paste(w, byMenu);
                EXPECT_TRUE(box.Text() == (kind == 2 ? "貼った\r\n" : "") + before) << byMenu << kind;
            }
    }
    QGuiApplication::clipboard()->clear();
}

// No glyph of the first line rises above the box's top edge, lines stand
// one em apart, and every line of the certificate's report fits its box.
TEST_F(WindowBoxes, TheFirstLineShowsWholeAndLinesStandOneEmApart)
{
    for (QTextEdit* w : Boxes()) {
        const QImage shot = w->viewport()->grab().toImage();
        const QRgb base = w->palette().color(QPalette::Base).rgb();
        int inkOnTop = 0;
        for (int x = 0; x < shot.width(); ++x) inkOnTop += shot.pixel(x, 0) != base;
        EXPECT_EQ(inkOnTop, 0);

        QTextDocument* doc = w->document();
        const QTextBlock first = doc->begin();
        const qreal top = doc->documentLayout()->blockBoundingRect(first).top();
        EXPECT_EQ(doc->documentLayout()->blockBoundingRect(first.next()).top() - top, w->font().pixelSize());
        EXPECT_LE(doc->size().height(), w->viewport()->height());
    }
}

} // namespace
