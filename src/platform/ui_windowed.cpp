// Windowed controls: picture boxes, frames, buttons, option buttons, drive
// and folder lists. Text boxes: ui_textbox.cpp; the list view: ui_listview.cpp.
#include "platform/drives.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/ui_internal.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QListWidget>
#include <QPainter>
#include <QRadioButton>

namespace kv {

void PlaceWidget(QWidget* w, int left, int top, int width, int height)
{
    if (w) w->setGeometry(PxRect(left, top, width, height));
}

// --- Windowed ---------------------------------------------------------------

Windowed::~Windowed() = default;  // the window owns the widget

void Windowed::Attach(QWidget* w)
{
    w_ = w;
    w_->setParent(parent_.Host());
    // The system's own face for controls, rather than whatever the container
    // was set to.
    w_->setFont(MakeFont({"ＭＳ Ｐゴシック", 9, false, false}));
    w_->setVisible(visible_);
}

void Windowed::Placed() { PlaceWidget(w_, left_, top_, width_, height_); }
void Windowed::VisibilityChanged() { if (w_) w_->setVisible(visible_); }
bool Windowed::Enabled() const { return w_ && w_->isEnabledTo(nullptr); }
void Windowed::Enabled(bool e) { if (w_) w_->setEnabled(e); }
void Windowed::SetFocus() { if (w_) w_->setFocus(Qt::OtherFocusReason); }
bool Windowed::HasFocus() const { return w_ && w_->hasFocus(); }

// --- PictureBox -----------------------------------------------------------------

PictureBox::PictureBox(Container& parent) : parent_(parent), w_(new PictureWidget(parent.Host()))
{
    host_ = w_->client;
    host_->SetBack(true, back_);
}

PictureBox::~PictureBox() = default;

void PictureBox::BackColor(Color c)
{
    back_ = c;
    host_->SetBack(true, c);
}

void PictureBox::Picture(const std::string& name) { host_->SetPicture(name); }

void PictureBox::BorderStyle(int style)
{
    w_->border = style ? 1 : 0;
    w_->Layout();
    w_->update();
}

void PictureBox::OnClick(std::function<void()> handler) { host_->onClick = std::move(handler); }
QWidget* PictureBox::Widget() const { return w_; }
void PictureBox::Placed() { PlaceWidget(w_, left_, top_, width_, height_); }
void PictureBox::VisibilityChanged() { w_->setVisible(visible_); }

// --- Frame --------------------------------------------------------------------------

Frame::Frame(Container& parent) : parent_(parent), w_(new FrameWidget(parent.Host()))
{
    host_ = w_;
}

void Frame::Caption(const std::string& text) { w_->caption = Q(text); w_->update(); }
void Frame::Font(const FontSpec& f) { w_->setFont(MakeFont(f)); w_->update(); }
void Frame::ForeColor(Color c) { w_->fore = c; w_->update(); }
void Frame::BackColor(Color c) { w_->SetBack(true, c); }
QWidget* Frame::Widget() const { return w_; }
void Frame::Placed() { PlaceWidget(w_, left_, top_, width_, height_); }
void Frame::VisibilityChanged() { w_->setVisible(visible_); }

// --- CommandButton ----------------------------------------------------------------------

namespace {

// A push button that shows a picture under its caption, with a raised
// bevel that sinks while it is pressed.
class PictureButton : public QAbstractButton {
public:
    using QAbstractButton::QAbstractButton;
    std::string picture;
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QRect r = rect();
        const bool down = isDown();
        p.fillRect(r, QColor(212, 208, 200));
        if (!picture.empty()) {
            // At its own size, centred on the face and cut off by the
            // button's edges, never scaled to fit.
            const QPixmap& pm = Picture(picture);
            const QPoint at((r.width() - pm.width()) / 2, (r.height() - pm.height()) / 2);
            p.drawPixmap(at + (down ? QPoint(1, 1) : QPoint()), pm);
        }
        // The bevel on the outermost pixels (a one-pixel line paints the
        // pixels below and right of its points).
        p.setPen(down ? QColor(64, 64, 64) : Qt::white);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(down ? Qt::white : QColor(64, 64, 64));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        if (hasFocus()) {
            p.setPen(QPen(QColor(0, 0, 0), 1, Qt::DotLine));
            p.drawRect(r.adjusted(3, 3, -4, -4));
        }
        if (!text().isEmpty()) {
            p.setFont(font());
            const QRect tr = r.translated(down ? 1 : 0, down ? 1 : 0);
            if (isEnabled()) {
                p.setPen(Qt::black);
            } else {
                p.setPen(Qt::white);
                p.drawText(tr.translated(1, 1), Qt::AlignCenter, text());
                p.setPen(QColor(128, 128, 128));
            }
            p.drawText(tr, Qt::AlignCenter, text());
        }
    }
};

} // namespace

CommandButton::CommandButton(Container& parent) : Windowed(parent)
{
    auto* b = new PictureButton(parent.Host());
    b->setFocusPolicy(Qt::StrongFocus);
    Attach(b);
}

void CommandButton::Caption(const std::string& text)
{
    caption_ = text;
    static_cast<QAbstractButton*>(w_)->setText(Q(text));
}

void CommandButton::Font(const FontSpec& f) { w_->setFont(MakeFont(f)); }

void CommandButton::Picture(const std::string& name)
{
    static_cast<PictureButton*>(w_)->picture = name;
    w_->update();
}

void CommandButton::OnClick(std::function<void()> handler)
{
    QObject::connect(static_cast<QAbstractButton*>(w_), &QAbstractButton::clicked, w_,
                     [h = std::move(handler)] { h(); });
}

void CommandButton::Click()
{
    // A locked form ignores its user's presses.
    if (!InputLocked(w_)) static_cast<QAbstractButton*>(w_)->click();
}

// --- OptionButton -------------------------------------------------------------------------

OptionButton::OptionButton(Container& parent) : Windowed(parent)
{
    auto* r = new QRadioButton(parent.Host());
    r->setAutoFillBackground(true);
    Attach(r);
    Restyle();
}

void OptionButton::Caption(const std::string& text) { static_cast<QRadioButton*>(w_)->setText(Q(text)); }
void OptionButton::Font(const FontSpec& f) { w_->setFont(MakeFont(f)); }

void OptionButton::ForeColor(Color c)
{
    fore_ = c;
    Restyle();
}

void OptionButton::BackColor(Color c)
{
    back_ = c;
    Restyle();
}

void OptionButton::Restyle()
{
    // A style sheet, because some styles paint option buttons from roles
    // other than the palette's window colours.
    w_->setStyleSheet(QStringLiteral("QRadioButton { color: %1; background-color: %2; }")
                          .arg(ToQColor(fore_).name(), ToQColor(back_).name()));
}

bool OptionButton::Value() const { return static_cast<QRadioButton*>(w_)->isChecked(); }

void OptionButton::Value(bool v)
{
    // Selecting an option from the program is its click too.
    const bool selects = v && !Value();
    static_cast<QRadioButton*>(w_)->setChecked(v);
    if (selects && onClick_) onClick_();
}

void OptionButton::OnClick(std::function<void()> handler)
{
    // A click on the option already selected is a click as well, so the
    // signal is the click, not the change of state.
    if (!onClick_)
        QObject::connect(static_cast<QRadioButton*>(w_), &QRadioButton::clicked, w_,
                         [this] { if (onClick_) onClick_(); });
    onClick_ = std::move(handler);
}

// --- DriveListBox ---------------------------------------------------------------------------

DriveListBox::DriveListBox(Container& parent) : Windowed(parent)
{
    auto* box = new QComboBox(parent.Host());
    Attach(box);
    filling_ = true;
    const auto drives = Drives();
    for (const auto& d : drives) box->addItem(TextFromBytes(DriveListEntry(d)));
    // The list starts at the drive of the working folder.
    const char current = CurrentDriveLetter(drives);
    for (int i = 0; i < int(drives.size()); ++i)
        if (drives[size_t(i)].letter == current) box->setCurrentIndex(i);
    filling_ = false;
    QObject::connect(box, &QComboBox::currentIndexChanged, box, [this](int) {
        if (!filling_ && onChange_) onChange_();
    });
}

std::string DriveListBox::Drive() const { return BytesFromText(static_cast<QComboBox*>(w_)->currentText()); }

void DriveListBox::Drive(const std::string& d)
{
    if (d.empty()) return;
    auto* box = static_cast<QComboBox*>(w_);
    const QChar letter = QChar(d[0]).toLower();
    for (int i = 0; i < box->count(); ++i)
        if (!box->itemText(i).isEmpty() && box->itemText(i)[0].toLower() == letter) {
            box->setCurrentIndex(i);
            return;
        }
    throw RuntimeError(ErrDeviceUnavailable, "no drive " + d);
}

std::vector<std::string> DriveListBox::Entries() const
{
    std::vector<std::string> out;
    auto* box = static_cast<QComboBox*>(w_);
    for (int i = 0; i < box->count(); ++i) out.push_back(BytesFromText(box->itemText(i)));
    return out;
}

void DriveListBox::OnChange(std::function<void()> handler) { onChange_ = std::move(handler); }

// --- DirListBox -------------------------------------------------------------------------------

namespace {

// Splits a program path into its root ("C:\" or "/") and its folder names.
void SplitPath(const std::string& path, std::string& root, std::vector<std::string>& parts)
{
    parts.clear();
    const bool drive = path.size() >= 2 && path[1] == ':';
    const char sep = drive ? '\\' : '/';
    root = drive ? path.substr(0, 2) + "\\" : "/";
    std::string cur;
    for (size_t i = drive ? 2 : 0; i < path.size(); ++i) {
        if (path[i] == sep || path[i] == '/') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += path[i];
        }
    }
    if (!cur.empty()) parts.push_back(cur);
}

std::string JoinPath(const std::string& root, const std::vector<std::string>& parts, size_t count)
{
    const char sep = root == "/" ? '/' : '\\';
    std::string out = root;
    for (size_t i = 0; i < count && i < parts.size(); ++i) {
        if (i) out += sep;
        out += parts[i];
    }
    return out;
}

// A drive's current folder: the working folder on the drive that holds it,
// the root on any other.
std::string CurrentFolderOf(char drive)
{
    const std::string here = ProgramPath(WorkingFolder());
    const char letter = QChar(drive).toUpper().toLatin1();
    if (here.size() >= 2 && here[0] == letter && here[1] == ':') return here;
    return std::string{letter, ':', '\\'};
}

// One row: the name indented to its depth in the tree; the name itself, which
// the indent must never be mistaken for, is kept beside the text.
void AddRow(QListWidget* list, std::size_t depth, const QString& text, const std::string& name)
{
    auto* item = new QListWidgetItem(QString(int(depth) * 2, QChar(' ')) + text, list);
    item->setData(Qt::UserRole, QByteArray(name.data(), qsizetype(name.size())));
}

std::string NameAt(const QListWidget* list, int row)
{
    return list->item(row)->data(Qt::UserRole).toByteArray().toStdString();
}

} // namespace

DirListBox::DirListBox(Container& parent) : Windowed(parent)
{
    auto* list = new QListWidget(parent.Host());
    list->setUniformItemSizes(true);
    Attach(list);
    QObject::connect(list, &QListWidget::itemDoubleClicked, list,
                     [this, list](QListWidgetItem* item) { OpenEntry(list->row(item)); });
    const std::string here = ProgramPath(WorkingFolder());
    try {
        Path(here);
    } catch (const RuntimeError&) {
        path_ = here;
    }
}

void DirListBox::Path(const std::string& programPath)
{
    // A drive ("c:") or a drive list's entry ("c: [home]") stands for that
    // drive's current folder.
    if (programPath.size() >= 2 && programPath[1] == ':' && (programPath.size() == 2 || programPath[2] == ' '))
        return Path(CurrentFolderOf(programPath[0]));
    if (!IsFolder(programPath)) throw RuntimeError(ErrPathNotFound, "no folder " + programPath);
    const std::string next = CanonicalFolder(programPath);
    // Read before anything changes: a folder that cannot be read is not opened.
    const std::vector<std::string> subs = ListFolder(next, FolderEntries::Folders);
    const bool changed = next != path_;
    path_ = next;
    Fill(subs);
    if (changed && onChange_) onChange_();
}

void DirListBox::Fill(const std::vector<std::string>& subs)
{
    auto* list = static_cast<QListWidget*>(w_);
    list->clear();
    std::string root;
    std::vector<std::string> parts;
    SplitPath(path_, root, parts);
    // The opened folder and its ancestors, indented like an open tree, then
    // the folder's subfolders.
    AddRow(list, 0, TextFromBytes(root), root);
    for (size_t i = 0; i < parts.size(); ++i) AddRow(list, i + 1, TextFromBytes(parts[i]), parts[i]);
    list->setCurrentRow(list->count() - 1);
    for (const ListedName& sub : SortedForList(subs)) AddRow(list, parts.size() + 1, sub.text, sub.bytes);
}

std::vector<std::string> DirListBox::Entries() const
{
    std::vector<std::string> out;
    auto* list = static_cast<QListWidget*>(w_);
    for (int i = 0; i < list->count(); ++i) out.push_back(NameAt(list, i));
    return out;
}

void DirListBox::OpenEntry(int row)
{
    auto* list = static_cast<QListWidget*>(w_);
    if (row < 0 || row >= list->count()) return;
    std::string root;
    std::vector<std::string> parts;
    SplitPath(path_, root, parts);
    std::string target;
    if (row <= int(parts.size())) {
        target = JoinPath(root, parts, size_t(row));
    } else {
        const std::string name = NameAt(list, row);
        target = path_ + (path_.back() == '\\' || path_.back() == '/' ? "" : root == "/" ? "/" : "\\") + name;
    }
    try {
        Path(target);
    } catch (const RuntimeError&) {
        // A folder that cannot be opened leaves the list where it was.
    }
}

void DirListBox::OnChange(std::function<void()> handler) { onChange_ = std::move(handler); }

} // namespace kv
