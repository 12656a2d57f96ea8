// Text boxes: one line (a line edit) or several (a text editor kept to plain
// text, which can space its lines as the classic box did), with the classic
// key-press hook and CR LF line ends. Their text is the program's bytes, which
// survive a trip through the box unchanged even where they are not valid
// UTF-8 (a folder name from an old Latin-1 disk).
#include "platform/ui_internal.h"

#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
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
    int topMargin = 0;    // pixels above the first line, so its glyphs show whole

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
    // (arrows, Delete, function keys), which never reaches the hook. An X
    // server gives Delete the text DEL (and Clear, which Qt names Delete, a
    // vertical tab), yet it types nothing: it edits.
    static int CodeOf(const QKeyEvent* k)
    {
        switch (k->key()) {
        case Qt::Key_Backspace: return 8;
        case Qt::Key_Return:
        case Qt::Key_Enter: return 13;
        case Qt::Key_Escape: return 27;
        case Qt::Key_Delete:
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

// A multi-line box takes plain text only, from a paste by keys, menu or
// middle button, or a drop; anything else does nothing. (Qt 6.4's own paste
// crashes on an empty clipboard or selection, which offers no format at all.)
class PlainTextEdit : public QTextEdit {
public:
    using QTextEdit::QTextEdit;
protected:
    bool canInsertFromMimeData(const QMimeData* source) const override
    {
        return source && source->hasText() && !source->text().isEmpty();
    }
    void insertFromMimeData(const QMimeData* source) override
    {
        if (canInsertFromMimeData(source)) insertPlainText(source->text());
    }
};

// A byte that is not part of valid UTF-8 stands for itself as a lone
// surrogate, U+DC80 to U+DCFF.
constexpr char16_t EscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at the start of `b` and its code
// point, or 0 when it is not one (overlong forms and encoded surrogates are
// not valid).
int DecodeOne(std::string_view b, char32_t& cp)
{
    const auto c = static_cast<unsigned char>(b[0]);
    int len;
    char32_t least;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2, cp = c & 0x1F, least = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3, cp = c & 0x0F, least = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4, cp = c & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (b.size() < static_cast<std::size_t>(len)) return 0;
    for (int k = 1; k < len; ++k) {
        const auto t = static_cast<unsigned char>(b[k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (t & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

void AppendUtf8(std::string& out, char32_t u)
{
    if (u < 0x80) {
        out += static_cast<char>(u);
        return;
    }
    const int len = u < 0x800 ? 2 : u < 0x10000 ? 3 : 4;
    static constexpr unsigned char lead[] = {0, 0, 0xC0, 0xE0, 0xF0};
    char bytes[4];
    for (int k = len - 1; k > 0; --k, u >>= 6) bytes[k] = static_cast<char>(0x80 | (u & 0x3F));
    bytes[0] = static_cast<char>(lead[len] | u);
    out.append(bytes, static_cast<std::size_t>(len));
}

QString ForDisplay(const std::string& text)
{
    QString s = TextFromBytes(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

} // namespace

QString TextFromBytes(std::string_view bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty()) {
        char32_t cp = 0;
        const int len = DecodeOne(bytes, cp);
        if (len == 0) {
            const auto c = static_cast<unsigned char>(bytes[0]);
            out += QChar(c < 0x80 ? char16_t(c) : char16_t(EscapeBase + c));
            bytes.remove_prefix(1);
            continue;
        }
        if (cp >= 0x10000) {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        } else {
            out += QChar(char16_t(cp));
        }
        bytes.remove_prefix(static_cast<std::size_t>(len));
    }
    return out;
}

std::string BytesFromText(const QString& text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            u = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        } else if (u >= EscapeBase + 0x80 && u <= EscapeBase + 0xFF) {
            out += static_cast<char>(u - EscapeBase);
            continue;
        } else if (QChar::isSurrogate(u)) {
            u = 0xFFFD;   // a lone surrogate no byte stands behind
        }
        AppendUtf8(out, u);
    }
    return out;
}

TextBox::TextBox(Container& parent, Lines lines) : Windowed(parent), lines_(lines)
{
    QWidget* w;
    if (lines == MultiLine) {
        auto* edit = new PlainTextEdit(parent.Host());
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
    if (lines_ == SingleLine) return BytesFromText(static_cast<QLineEdit*>(w_)->text());
    QString s = static_cast<QTextEdit*>(w_)->toPlainText();
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return BytesFromText(s);
}

void TextBox::Text(const std::string& text)
{
    state_->programText = text;
    state_->edited = false;
    state_->setting = true;
    if (lines_ == SingleLine)
        static_cast<QLineEdit*>(w_)->setText(TextFromBytes(text));
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
    // Each line's glyphs hang from its top by the face's ascent; a bar, a
    // bracket or a bold kanji reaches a pixel or two higher than that.
    const QFontMetricsF metrics(font);
    state_->topMargin = std::max(0, int(std::ceil(-metrics.tightBoundingRect(QStringLiteral("|[総")).top()
                                                  - metrics.ascent())));
    LayOutLines();
}

// Lays the lines out as the classic box does: from its top edge (with room
// for what rises above the face's ascent), a little in from the sides, and in
// the classic spacing where that differs. Setting the text resets the layout,
// so this follows every Text().
void TextBox::LayOutLines()
{
    if (lines_ != MultiLine) return;
    QTextDocument* doc = static_cast<QTextEdit*>(w_)->document();
    state_->setting = true;
    QTextFrameFormat margins = doc->rootFrame()->frameFormat();
    margins.setTopMargin(state_->topMargin);
    margins.setBottomMargin(0);
    margins.setLeftMargin(2);
    margins.setRightMargin(2);
    doc->rootFrame()->setFrameFormat(margins);
    if (state_->lineHeight) {
        // One em apart: the face's own line height less the difference. (A
        // fixed line height would set each baseline 4/5 of the way down its
        // line, and cut the glyphs of a face whose ascent is more than that.)
        const QFontMetricsF metrics(w_->font());
        const qreal own = std::ceil(metrics.ascent() + metrics.descent() + std::max<qreal>(metrics.leading(), 0));
        QTextBlockFormat spacing;
        spacing.setLineHeight(state_->lineHeight - own, QTextBlockFormat::LineDistanceHeight);
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
