// Text boxes: the key-press hook, CR LF line ends kept as the program set
// them, and the information window's and the certificate's boxes: what a
// paste puts in, and how their lines stand.
#include "gui_support.h"

#include "platform/ui.h"
#include "results/report.h"
#include "sysinfo/info_window.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>
#include <QTextEdit>

#include <functional>

#include <gtest/gtest.h>

namespace {

void Press(QWidget* w, Qt::Key key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent down(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &down);
    QKeyEvent up(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &up);
}

TEST(TextBox, MultiLineKeepsCrLfAndTheHookSeesEveryCharacterKey)
{
    kv::Form form;
    kv::TextBox box{form, kv::TextBox::MultiLine};
    const std::string text = "[ head ]\r\n\r\n\r\nline\r\n\r\n";
    box.Text(text);
    EXPECT_EQ(box.Text(), text);

    std::vector<int> seen;
    box.OnKeyPress([&](int& k) { seen.push_back(k); k = 1; });
    box.SetFocus();
    QWidget* w = box.Widget();
    Press(w, Qt::Key_A, "a");
    Press(w, Qt::Key_Backspace, "\b");
    Press(w, Qt::Key_Return, "\r");
    Press(w, Qt::Key_V, QString(QChar(22)), Qt::ControlModifier);
    Press(w, Qt::Key_Left, "");   // no character: not the hook's
    EXPECT_EQ(seen, (std::vector<int>{'a', 8, 13, 22}));
    EXPECT_EQ(box.Text(), text);
    EXPECT_EQ(static_cast<QTextEdit*>(w)->toPlainText(), QString("[ head ]\n\n\nline\n\n"));
}

TEST(TextBox, UnchangedCodesTypeAndReplacedOnesTypeTheirReplacement)
{
    kv::Form form;
    kv::TextBox box{form};
    box.OnKeyPress([](int& k) { if (k == 'x') k = 'y'; });
    box.SetFocus();
    Press(box.Widget(), Qt::Key_A, "a");
    Press(box.Widget(), Qt::Key_X, "x");
    EXPECT_EQ(box.Text(), "ay");

    kv::TextBox lines{form, kv::TextBox::MultiLine};
    lines.SetFocus();
    Press(lines.Widget(), Qt::Key_A, "a");
    Press(lines.Widget(), Qt::Key_Return, "\r");
    Press(lines.Widget(), Qt::Key_B, "b");
    EXPECT_EQ(lines.Text(), "a\r\nb");   // the user's lines end in CR LF too
}

TEST(TextBox, BytesThatAreNotUtf8SurviveEditingUnchanged)
{
    // A Latin-1 folder name, an encoded surrogate, a cut-off sequence and an
    // overlong slash amid valid Japanese and a four-byte character.
    const std::string bytes = "/mnt/caf\xe9/\xed\xb2\x80/データ\xe3\x83/\xc0\xaf/\xf0\x9f\x8e\xb5";
    kv::Form form;
    kv::TextBox box{form};
    kv::TextBox lines{form, kv::TextBox::MultiLine};
    box.Text(bytes);
    lines.Text(bytes + "\r\n\xff");
    static_cast<QLineEdit*>(box.Widget())->end(false);
    static_cast<QTextEdit*>(lines.Widget())->moveCursor(QTextCursor::End);
    for (kv::TextBox* b : {&box, &lines}) {
        b->SetFocus();
        Press(b->Widget(), Qt::Key_Z, "z");   // the user edits the box
    }
    EXPECT_EQ(box.Text(), bytes + "z");
    EXPECT_EQ(lines.Text(), bytes + "\r\n\xffz");
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

// Pasted text goes in, by the keys or the context menu; an empty clipboard,
// or one without text, changes nothing. (The middle button pastes the X
// selection, which only a real display has: paste_into in test/xvfb_lib.sh,
// run on both windows by smoke_info.sh and smoke_overall.sh.)
TEST_F(WindowBoxes, APasteTakesTextAndNothingElse)
{
    auto byKeys = [](QTextEdit* w) { Press(w, Qt::Key_Insert, "", Qt::ShiftModifier); };
    auto byMenu = [](QTextEdit* w) {
        QContextMenuEvent e(QContextMenuEvent::Keyboard, QPoint(4, 4), w->viewport()->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(w->viewport(), &e);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QAction* paste = menu->findChild<QAction*>("edit-paste");
        ASSERT_NE(paste, nullptr);
        if (paste->isEnabled()) paste->trigger();
        menu->close();
    };
    auto nothing = [] { return new QMimeData; };
    auto picture = [] {
        auto* d = new QMimeData;
        d->setImageData(QImage(4, 4, QImage::Format_RGB32));
        return d;
    };
    auto text = [] {
        auto* d = new QMimeData;
        d->setText("貼った\n");
        return d;
    };
    for (QTextEdit* w : Boxes()) {
        kv::TextBox& box = BoxOf(w);
        const std::string before = box.Text();
        w->setFocus();
        for (const auto& road : {std::function<void(QTextEdit*)>(byKeys), std::function<void(QTextEdit*)>(byMenu)})
            for (auto [content, pasted] : {std::pair{+nothing, ""}, {+picture, ""}, {+text, "貼った\r\n"}}) {
                box.Text(before);
                QGuiApplication::clipboard()->setMimeData(content());
                road(w);
                std::string want = pasted;
                want += before;
                EXPECT_TRUE(box.Text() == want) << box.Text().substr(0, 20);
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
