#pragma once
// Qt side of the window layer; only platform sources include this.
#include "platform/ui.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>

#include <cmath>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

inline int Px(int twips) { return static_cast<int>(std::lround(twips / double(TwipsPerPixel))); }
inline double PxF(double twips) { return twips / TwipsPerPixel; }
inline QRect PxRect(int l, int t, int w, int h) { return QRect(Px(l), Px(t), Px(w), Px(h)); }

inline QColor ToQColor(Color c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

inline QString Q(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
inline std::string S(const QString& s) { return s.toUtf8().toStdString(); }
// As Q and S, but without loss for bytes that are not valid UTF-8: each
// travels as a lone surrogate U+DC80..U+DCFF and comes back as the same
// byte (the text boxes use these, so a path's bytes survive editing).
QString TextFromBytes(std::string_view bytes);
std::string BytesFromText(const QString& text);

// Folder entry names as the lists show them, in a listing's order (by their
// text, ignoring case), each with the name's own bytes.
struct ListedName {
    QString text;
    std::string bytes;
};
std::vector<ListedName> SortedForList(const std::vector<std::string>& names);

// The design's font names mapped to installed faces, at their point sizes
// (96 dots per inch, as the twips of the layout assume).
QFont MakeFont(const FontSpec& spec);
// The family an original font name is mapped to, and whether it is forced bold.
QString MappedFamily(const std::string& name, bool* forceBold = nullptr);

// Artwork compiled into the program, by name; a null pixmap when missing.
const QPixmap& Picture(const std::string& name);

// A widget that paints a background and the light-weight controls placed on
// it, in their creation order.
class PaintHost : public QWidget {
public:
    explicit PaintHost(QWidget* parent = nullptr);
    void SetBack(bool opaque, Color c);
    void SetPicture(const std::string& name);
    // Registered for the window's life: controls and hosts go together.
    void AddGraphic(const Graphic* g);
    // A persistent drawing layer (what the program draws straight onto it).
    // A circle or an outline box drawn straight onto the host, in pixels: it
    // reaches the screen at once and stays for later repaints.
    struct Drawing {
        bool circle;
        QRectF box;   // the circle's square, or the box's corners
        QColor colour;
    };
    void DrawStraight(const Drawing& d);
    Color Back() const { return back_; }
    std::function<void()> onClick;
protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    virtual void PaintBackground(QPainter& p);
private:
    bool opaque_ = true;
    Color back_ = 0x00C0C0C0;
    std::string picture_;
    std::vector<const Graphic*> graphics_;
    QImage& Canvas();
    void FlushDrawings();
    QImage canvas_;
    std::vector<Drawing> drawings_;      // drawn, not yet on the canvas
    bool painted_ = false;               // painted whole at least once
    const Drawing* fresh_ = nullptr;     // being shown by DrawStraight
    QRect freshBounds_;
};

// The top-level window of a Form.
class FormWindow : public PaintHost {
public:
    FormWindow();
    std::function<void()> onCloseBox;
protected:
    void closeEvent(QCloseEvent* e) override;
};

class PictureWidget : public QWidget {
public:
    explicit PictureWidget(QWidget* parent);
    PaintHost* client;
    int border = 1;
    void Layout();
protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
};

class FrameWidget : public PaintHost {
public:
    explicit FrameWidget(QWidget* parent);
    QString caption;
    Color fore = 0;
protected:
    void PaintBackground(QPainter& p) override;
};

// A disabled form's lock: input from the user to the form's window, to any of
// its controls or their pop-ups, and to their shortcuts is dropped.
void LockInput(const QWidget* form, bool locked);
bool InputLocked(const QObject* target);

// Places a widget at a control's twips, relative to its container.
void PlaceWidget(QWidget* w, int left, int top, int width, int height);

} // namespace kv
