// Text boxes: the key-press hook, and CR LF line ends kept as the program set
// them.
#include "platform/ui.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextEdit>

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

} // namespace
