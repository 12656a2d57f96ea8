// Forms, artwork, fonts, the message pump, message boxes and the program's end.
#include "platform/files.h"
#include "platform/notice.h"
#include "platform/pump.h"
#include "platform/ui_internal.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QElapsedTimer>
#include <QPointer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <map>

#include <unistd.h>

namespace kv {

// --- fonts and artwork ------------------------------------------------------

QString MappedFamily(const std::string& name, bool* forceBold)
{
    // Faces whose metrics are close to the design's, so captions fit their
    // boxes; without the table fontconfig answers a Mincho request with a
    // sans face.
    struct Entry { const char* design; const char* family; bool bold; };
    static const Entry table[] = {
        {"Arial", "Liberation Sans", false},
        {"ＭＳ Ｐ明朝", "IPAPMincho", false},
        {"ＭＳ 明朝", "IPAMincho", false},
        {"ＭＳ Ｐゴシック", "IPAPGothic", false},
        {"ＭＳ ゴシック", "IPAGothic", false},
        {"ＨＧｺﾞｼｯｸE-PRO", "IPAPGothic", true},
    };
    for (const Entry& e : table)
        if (name == e.design) {
            if (forceBold) *forceBold = e.bold;
            return QString::fromUtf8(e.family);
        }
    if (forceBold) *forceBold = false;
    return Q(name);
}

QFont MakeFont(const FontSpec& spec)
{
    bool forceBold = false;
    QFont f(MappedFamily(spec.name, &forceBold));
    // Points at 96 dots per inch, the resolution the twips layout assumes.
    f.setPixelSize(std::max(1, int(std::lround(spec.points * 96.0 / 72.0))));
    f.setBold(spec.bold || forceBold);
    f.setItalic(spec.italic);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

const QPixmap& Picture(const std::string& name)
{
    static std::map<std::string, QPixmap> cache;
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.emplace(name, QPixmap(QStringLiteral(":/art/") + Q(name) + QStringLiteral(".png"))).first;
    return it->second;
}

// --- Form --------------------------------------------------------------------

Form::Form() : w_(new FormWindow)
{
    host_ = w_;
    visible_ = false;
}

Form::~Form()
{
    LockInput(w_, false);
    delete w_;
}

void Form::Caption(const std::string& text) { w_->setWindowTitle(Q(text)); }
std::string Form::Caption() const { return S(w_->windowTitle()); }

void Form::ClientSize(int widthTwips, int heightTwips)
{
    width_ = widthTwips;
    height_ = heightTwips;
    w_->setFixedSize(Px(widthTwips), Px(heightTwips));
}

void Form::Picture(const std::string& name) { w_->SetPicture(name); }
void Form::BackColor(Color c) { w_->SetBack(true, c); }
void Form::Icon(const std::string& name) { w_->setWindowIcon(QIcon(kv::Picture(name))); }
bool Form::Enabled() const { return !InputLocked(w_); }
void Form::Enabled(bool e) { LockInput(w_, !e); }
void Form::OnCloseBox(std::function<void()> handler) { w_->onCloseBox = std::move(handler); }
void Form::PressCloseBox() { w_->close(); }
bool Form::Shown() const { return w_->isVisible(); }
QWidget* Form::Widget() const { return w_; }

void Form::Show() { Visible(true); }

void Form::VisibilityChanged()
{
    if (!visible_) {
        w_->hide();
        return;
    }
    if (!centred_) {
        centred_ = true;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect avail = screen->availableGeometry();
            w_->move(avail.center() - QPoint(w_->width() / 2, w_->height() / 2));
        }
    }
    w_->show();
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    w_->raise();
    w_->activateWindow();
    // A window is on screen only once the display server has exposed it;
    // until then nothing drawn onto it shows. Wait for that (briefly, and
    // without user input), as a shown window is expected to be there.
    QElapsedTimer waited;
    waited.start();
    while (w_->windowHandle() && !w_->windowHandle()->isExposed() && waited.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    w_->repaint();
}

// --- the lock of a disabled form ------------------------------------------------
// A disabled form only stops taking input: its controls keep their look (no
// greying, no focus moving, no hover light), unlike a disabled Qt widget.

namespace {

// What lets a user act on a window: pointer, wheel, keys, typing through an
// input method, shortcuts, context menus, drags, touch and tablets. The
// pointer entering and leaving counts too, so no control lights up under it.
bool IsUserInput(QEvent::Type t)
{
    switch (t) {
    case QEvent::MouseButtonPress: case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: case QEvent::MouseMove: case QEvent::Wheel:
    case QEvent::KeyPress: case QEvent::KeyRelease: case QEvent::ShortcutOverride:
    case QEvent::Shortcut: case QEvent::InputMethod: case QEvent::ContextMenu:
    case QEvent::Enter: case QEvent::Leave: case QEvent::HoverEnter: case QEvent::HoverMove:
    case QEvent::HoverLeave: case QEvent::DragEnter: case QEvent::DragMove:
    case QEvent::DragLeave: case QEvent::Drop: case QEvent::TouchBegin:
    case QEvent::TouchUpdate: case QEvent::TouchEnd: case QEvent::TouchCancel:
    case QEvent::TabletPress: case QEvent::TabletMove: case QEvent::TabletRelease:
    case QEvent::NativeGesture: case QEvent::Gesture:
        return true;
    default:
        return false;
    }
}

std::vector<const QWidget*> g_lockedForms;

class InputLockFilter : public QObject {
public:
    using QObject::QObject;
protected:
    bool eventFilter(QObject* target, QEvent* e) override
    {
        return IsUserInput(e->type()) && InputLocked(target);
    }
};

} // namespace

bool InputLocked(const QObject* target)
{
    if (g_lockedForms.empty() || !target) return false;
    // Input from the window system reaches the form's own window first, before
    // Qt hands it to a control (and gives that control the focus).
    if (const auto* window = qobject_cast<const QWindow*>(target)) {
        return std::any_of(g_lockedForms.begin(), g_lockedForms.end(),
                           [window](const QWidget* f) { return f->windowHandle() == window; });
    }
    // A control, a pop-up of one, or a shortcut owned by one.
    for (const QObject* o = target; o; o = o->parent())
        if (std::find(g_lockedForms.begin(), g_lockedForms.end(), o) != g_lockedForms.end())
            return true;
    return false;
}

void LockInput(const QWidget* form, bool locked)
{
    const auto at = std::find(g_lockedForms.begin(), g_lockedForms.end(), form);
    if (!locked) {
        if (at != g_lockedForms.end()) g_lockedForms.erase(at);
        return;
    }
    if (at != g_lockedForms.end()) return;
    static QPointer<InputLockFilter> filter;
    if (!filter) {
        filter = new InputLockFilter(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(filter);
    }
    g_lockedForms.push_back(form);
}

namespace {
std::vector<DrawCall>* g_drawLog = nullptr;
} // namespace

void RecordDrawingForTest(std::vector<DrawCall>* log) { g_drawLog = log; }

void Form::Circle(float x, float y, float radius, Color color)
{
    if (g_drawLog) g_drawLog->push_back({'C', x, y, radius, 0, color});
    const double r = PxF(radius);
    w_->DrawStraight({true, QRectF(PxF(x) - r, PxF(y) - r, 2 * r, 2 * r), ToQColor(color)});
}

void Form::Box(float x1, float y1, float x2, float y2, Color color)
{
    if (g_drawLog) g_drawLog->push_back({'B', x1, y1, x2, y2, color});
    w_->DrawStraight({false, QRectF(QPointF(PxF(x1), PxF(y1)), QPointF(PxF(x2), PxF(y2))).normalized(),
                      ToQColor(color)});
}

namespace {
// Window references are globals that live for the whole run; the list is
// never torn down, so it outlives every one of them.
std::vector<FormRefBase*>& FormRefs()
{
    static auto* refs = new std::vector<FormRefBase*>;
    return *refs;
}
} // namespace

FormRefBase::FormRefBase() { FormRefs().push_back(this); }

void UnloadAllForms()
{
    for (FormRefBase* ref : FormRefs())
        if (ref->Loaded()) ref->Unload();
}

void DeferDelete(std::function<void()> deleter)
{
    if (!QCoreApplication::instance()) {
        deleter();
        return;
    }
    QTimer::singleShot(0, QCoreApplication::instance(), std::move(deleter));
}

// --- the message pump -----------------------------------------------------------

void DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }
void WaitEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents); }
void DoPaintEvents() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

// --- notices and questions --------------------------------------------------------

namespace {
Responder* g_responder = nullptr;
std::function<void()> g_end;
} // namespace

void SetResponder(Responder* responder) { g_responder = responder; }

namespace {

// A message box with the exclamation icon and these buttons, left to right
// as the platform orders them (Qt would sort them by role). The first is the
// default; `escape` answers Esc and the close box. Gives the pressed one.
std::size_t ShowMessageBox(const std::string& text, std::initializer_list<QString> buttons, std::size_t escape)
{
    QMessageBox box(QMessageBox::Warning, QString(), Q(text), QMessageBox::NoButton);
    std::vector<QPushButton*> made;
    for (const QString& caption : buttons) made.push_back(box.addButton(caption, QMessageBox::ActionRole));
    box.setDefaultButton(made.front());
    box.setEscapeButton(made.at(escape));
    box.exec();
    const auto pressed = std::find(made.begin(), made.end(), box.clickedButton());
    return pressed == made.end() ? escape : std::size_t(pressed - made.begin());
}

// A button's caption in the desktop's language: Qt's translation of the same
// button where it has one, else the English caption.
QString ButtonCaption(const char* english, const char* context, const char* source)
{
    const QString translated = QCoreApplication::translate(context, source);
    return translated == QLatin1String(source) ? QString::fromUtf8(english) : translated;
}

// Qt names no message box button "Continue"; its wizard's stands in, save in
// Japanese, where that is a noun (続き) and the desktop's button says 続行.
QString ContinueCaption()
{
    const QString wizard = ButtonCaption("Continue", "QWizard", "Continue");
    return wizard == QStringLiteral("続き") ? QStringLiteral("続行") : wizard;
}

} // namespace

void Notice(const std::string& text)
{
    if (g_responder) {
        g_responder->Notice(text);
        return;
    }
    ShowMessageBox(text,
                   {ButtonCaption("Cancel", "QPlatformTheme", "Cancel"),
                    ButtonCaption("Try Again", "QPlatformTheme", "Retry"), ContinueCaption()},
                   0);
}

void ErrorNotice(const std::string& text, int number) { Notice(text + std::to_string(number) + ")"); }
void RunTimeErrorNotice(int number) { ErrorNotice("エラーの為、処理を中止しました。(Err=", number); }

bool Question(const std::string& text)
{
    if (g_responder) return g_responder->Question(text);
    return ShowMessageBox(text,
                          {ButtonCaption("&Yes", "QPlatformTheme", "&Yes"),
                           ButtonCaption("&No", "QPlatformTheme", "&No")},
                          1)
        == 0;
}

// --- the end ------------------------------------------------------------------------

void SetEndHandler(std::function<void()> handler) { g_end = std::move(handler); }

void EndProgram()
{
    if (g_end) {
        g_end();
        return;
    }
    // At once, from whatever pump END was pressed in: the handlers running
    // below it hold windows that are gone now, so none of them may go on.
    // Only the files in flight go first: the HDD test's scratch file and the
    // temporary of a save under way.
    RemoveFilesInFlight();
    std::fflush(nullptr);
    ::_exit(0);
}

} // namespace kv
