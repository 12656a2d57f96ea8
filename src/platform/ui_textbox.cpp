// Text boxes: one line (a line edit) or several (a text editor kept to plain
// text, which can space its lines as the classic box did), with the classic
// key-press hook and CR LF line ends.
#include "platform/ui_internal.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextEdit>

namespace kv {

// Lives with the widget: the text the program set, whether the user has
// edited it since, and the key-press hook.
class TextBoxState : public QObject {
public:
    TextBoxState(QWidget* box, bool multi) : QObject(box), box_(box), multi_(multi) {}

    std::string programText;
    bool edited = false;
    bool setting = false;
    std::function<void(int&)> onKeyPress;
    int lineHeight = 0;   // pixels from one line to the next; 0 = the face's own

    void Insert(const QString& s)
    {
        if (multi_)
            static_cast<QTextEdit*>(box_)->insertPlainText(s);
        else
            static_cast<QLineEdit*>(box_)->insert(s);
    }

protected:
    bool eventFilter(QObject* obj, QEvent* e) override
    {
        if (!onKeyPress) return QObject::eventFilter(obj, e);
        if (e->type() == QEvent::KeyPress) return KeyPress(static_cast<QKeyEvent*>(e));
        if (e->type() == QEvent::InputMethod) Compose(static_cast<QInputMethodEvent*>(e));
        return QObject::eventFilter(obj, e);
    }

private:
    // The character code a key produces, or -1 for a key that produces none
    // (arrows, Delete, function keys), which never reaches the hook.
    static int CodeOf(const QKeyEvent* k)
    {
        switch (k->key()) {
        case Qt::Key_Backspace: return 8;
        case Qt::Key_Return:
        case Qt::Key_Enter: return 13;
        case Qt::Key_Escape: return 27;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return -1;
        default: break;
        }
        if ((k->modifiers() & Qt::ControlModifier) && k->key() >= Qt::Key_A && k->key() <= Qt::Key_Z)
            return k->key() - Qt::Key_A + 1;
        const QString t = k->text();
        if (t.isEmpty() || t.size() > 2) return -1;
        const uint ucs = t.size() == 2 ? QChar::surrogateToUcs4(t[0], t[1]) : t[0].unicode();
        return static_cast<int>(ucs);
    }

    bool KeyPress(QKeyEvent* k)
    {
        const int pressed = CodeOf(k);
        if (pressed < 0) return false;
        int code = pressed;
        onKeyPress(code);
        if (code == pressed) return false;
        if (code >= 32 && code != 127) Insert(QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1));
        return true;
    }

    // Text composed by an input method passes the hook character by character.
    void Compose(QInputMethodEvent* e)
    {
        const QString in = e->commitString();
        if (in.isEmpty()) return;
        QString out;
        for (const uint ucs : in.toUcs4()) {
            int code = static_cast<int>(ucs);
            onKeyPress(code);
            if (code >= 32 && code != 127) out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        }
        if (out != in) e->setCommitString(out);
    }

    QWidget* box_;
    bool multi_;
};

namespace {

QString ForDisplay(const std::string& text)
{
    QString s = Q(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

} // namespace

TextBox::TextBox(Container& parent, Lines lines) : Windowed(parent), lines_(lines)
{
    QWidget* w;
    if (lines == MultiLine) {
        auto* edit = new QTextEdit(parent.Host());
        edit->setAcceptRichText(false);
        edit->setTabChangesFocus(true);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setLineWrapMode(QTextEdit::WidgetWidth);
        w = edit;
    } else {
        w = new QLineEdit(parent.Host());
    }
    state_ = new TextBoxState(w, lines == MultiLine);
    w->installEventFilter(state_);
    if (lines == MultiLine) {
        QObject::connect(static_cast<QTextEdit*>(w), &QTextEdit::textChanged, state_, [s = state_] {
            if (!s->setting) s->edited = true;
        });
    } else {
        QObject::connect(static_cast<QLineEdit*>(w), &QLineEdit::textEdited, state_,
                         [s = state_] { s->edited = true; });
    }
    Attach(w);
    LayOutLines();
}

std::string TextBox::Text() const
{
    if (!state_->edited) return state_->programText;
    if (lines_ == SingleLine) return S(static_cast<QLineEdit*>(w_)->text());
    QString s = static_cast<QTextEdit*>(w_)->toPlainText();
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return S(s);
}

void TextBox::Text(const std::string& text)
{
    state_->programText = text;
    state_->edited = false;
    state_->setting = true;
    if (lines_ == SingleLine)
        static_cast<QLineEdit*>(w_)->setText(Q(text));
    else
        static_cast<QTextEdit*>(w_)->setPlainText(ForDisplay(text));
    state_->setting = false;
    LayOutLines();
}

void TextBox::Font(const FontSpec& f)
{
    const QFont font = MakeFont(f);
    w_->setFont(font);
    // The classic Japanese faces (ＭＳ ゴシック, ＭＳ 明朝...) set their lines
    // one em apart; their stand-ins run taller, which would push the last lines
    // of a box out of sight. Other faces keep their own spacing.
    state_->lineHeight = f.name.starts_with("ＭＳ") ? font.pixelSize() : 0;
    LayOutLines();
}

// Lays the lines out as the classic box does: from its top edge, a little in
// from the sides, and in the classic spacing where that differs. Setting the
// text resets the layout, so this follows every Text().
void TextBox::LayOutLines()
{
    if (lines_ != MultiLine) return;
    QTextDocument* doc = static_cast<QTextEdit*>(w_)->document();
    state_->setting = true;
    QTextFrameFormat margins = doc->rootFrame()->frameFormat();
    margins.setTopMargin(0);
    margins.setBottomMargin(0);
    margins.setLeftMargin(2);
    margins.setRightMargin(2);
    doc->rootFrame()->setFrameFormat(margins);
    if (state_->lineHeight) {
        QTextBlockFormat spacing;
        spacing.setLineHeight(state_->lineHeight, QTextBlockFormat::FixedHeight);
        QTextCursor all(doc);
        all.select(QTextCursor::Document);
        all.mergeBlockFormat(spacing);
    }
    state_->setting = false;
}

void TextBox::ForeColor(Color c)
{
    QPalette p = w_->palette();
    p.setColor(QPalette::Text, ToQColor(c));
    w_->setPalette(p);
}

void TextBox::BackColor(Color c)
{
    QPalette p = w_->palette();
    p.setColor(QPalette::Base, ToQColor(c));
    w_->setPalette(p);
}

void TextBox::BorderStyle(int style)
{
    if (lines_ == SingleLine)
        static_cast<QLineEdit*>(w_)->setFrame(style != 0);
    else
        static_cast<QTextEdit*>(w_)->setFrameShape(style ? QFrame::StyledPanel : QFrame::NoFrame);
}

void TextBox::ScrollBars(int bars)
{
    if (lines_ == MultiLine)
        static_cast<QTextEdit*>(w_)->setVerticalScrollBarPolicy(bars >= 2 ? Qt::ScrollBarAlwaysOn
                                                                          : Qt::ScrollBarAlwaysOff);
}

void TextBox::OnKeyPress(std::function<void(int& KeyAscii)> handler) { state_->onKeyPress = std::move(handler); }

} // namespace kv
