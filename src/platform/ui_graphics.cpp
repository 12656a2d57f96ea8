// Light-weight controls (labels, shapes, lines, images) and the hosts that
// paint them.
#include "platform/ui_internal.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace kv {

// --- Control ---------------------------------------------------------------

void Control::Move(int left, int top, int width, int height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Placed();
}

void Control::Visible(bool v)
{
    if (visible_ == v) return;
    visible_ = v;
    VisibilityChanged();
}

int Container::ScaleWidth() const { return host_ ? host_->width() * TwipsPerPixel : 0; }
int Container::ScaleHeight() const { return host_ ? host_->height() * TwipsPerPixel : 0; }

// --- PaintHost ---------------------------------------------------------------

PaintHost::PaintHost(QWidget* parent) : QWidget(parent) {}

void PaintHost::SetBack(bool opaque, Color c)
{
    opaque_ = opaque;
    back_ = c;
    update();
}

void PaintHost::SetPicture(const std::string& name)
{
    picture_ = name;
    update();
}

void PaintHost::AddGraphic(const Graphic* g) { graphics_.push_back(g); }

QImage& PaintHost::Canvas()
{
    if (canvas_.size() != size()) {
        QImage fresh(size(), QImage::Format_ARGB32_Premultiplied);
        fresh.fill(Qt::transparent);
        if (!canvas_.isNull()) {
            QPainter p(&fresh);
            p.drawImage(0, 0, canvas_);
        }
        canvas_ = fresh;
    }
    return canvas_;
}

void PaintHost::PaintBackground(QPainter& p)
{
    if (opaque_) p.fillRect(rect(), ToQColor(back_));
    if (!picture_.empty()) p.drawPixmap(0, 0, Picture(picture_));
}

namespace {

void Paint(QPainter& p, const PaintHost::Drawing& d)
{
    p.setPen(QPen(d.colour, 1));
    p.setBrush(Qt::NoBrush);
    if (d.circle)
        p.drawEllipse(d.box);
    else
        p.drawRect(d.box);
}

} // namespace

void PaintHost::DrawStraight(const Drawing& d)
{
    // Kept for the next whole repaint, which puts it onto the canvas. The
    // Graph test draws some ten thousand shapes, so it is never slowed by
    // that; the list stays within a few megabytes whatever is drawn.
    drawings_.push_back(d);
    if (drawings_.size() >= 65536) FlushDrawings();
    // Repaint just the shape's box, now: the drawing must reach the screen
    // as it is drawn, without waiting for the message pump. What lies under
    // it is on screen already, so only the shape itself is painted there.
    freshBounds_ = d.box.toAlignedRect().adjusted(-1, -1, 2, 2);
    fresh_ = painted_ && testAttribute(Qt::WA_OpaquePaintEvent) ? &d : nullptr;
    repaint(freshBounds_);
    fresh_ = nullptr;
}

void PaintHost::FlushDrawings()
{
    if (drawings_.empty()) return;
    QPainter p(&Canvas());
    for (const Drawing& d : drawings_) Paint(p, d);
    drawings_.clear();
}

void PaintHost::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    if (fresh_ && freshBounds_.contains(e->rect())) {
        Paint(p, *fresh_);
        return;
    }
    PaintBackground(p);
    for (const Graphic* g : graphics_)
        if (g->Visible()) g->Paint(p);
    FlushDrawings();
    if (!canvas_.isNull()) p.drawImage(0, 0, canvas_);
    painted_ = true;
}

void PaintHost::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && onClick)
        onClick();
    QWidget::mouseReleaseEvent(e);
}

// --- FormWindow ----------------------------------------------------------------

FormWindow::FormWindow()
{
    // A form paints all of itself (its background first), so what a repaint
    // leaves alone stays as it was on screen.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void FormWindow::closeEvent(QCloseEvent* e)
{
    // The window decides what its close box means; it never just vanishes.
    e->ignore();
    if (onCloseBox) onCloseBox();
}

// --- PictureWidget -------------------------------------------------------------

PictureWidget::PictureWidget(QWidget* parent) : QWidget(parent), client(new PaintHost(this))
{
    Layout();
}

void PictureWidget::Layout()
{
    client->setGeometry(rect().adjusted(border * 2, border * 2, -border * 2, -border * 2));
}

void PictureWidget::resizeEvent(QResizeEvent*) { Layout(); }

void PictureWidget::paintEvent(QPaintEvent*)
{
    if (border == 0) return;
    // A sunken edge: dark grey and black above left, light grey and white below right.
    QPainter p(this);
    const QRect r = rect();   // a one-pixel line paints below and right of its points
    p.setPen(QColor(128, 128, 128));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(Qt::white);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    const QRect i = r.adjusted(1, 1, -1, -1);
    p.setPen(Qt::black);
    p.drawLine(i.topLeft(), i.topRight());
    p.drawLine(i.topLeft(), i.bottomLeft());
    p.setPen(QColor(212, 208, 200));
    p.drawLine(i.bottomLeft(), i.bottomRight());
    p.drawLine(i.topRight(), i.bottomRight());
}

// --- FrameWidget ---------------------------------------------------------------

FrameWidget::FrameWidget(QWidget* parent) : PaintHost(parent) {}

void FrameWidget::PaintBackground(QPainter& p)
{
    PaintHost::PaintBackground(p);
    const QFontMetrics fm(font());
    const int top = fm.height() / 2;
    const QRect edge = rect().adjusted(0, top, -2, -2);
    // An etched edge, broken where the caption stands.
    p.setPen(QColor(128, 128, 128));
    p.drawRect(edge);
    p.setPen(Qt::white);
    p.drawRect(edge.translated(1, 1));
    if (caption.isEmpty()) return;
    const QRect text(6, 0, fm.horizontalAdvance(caption) + 4, fm.height());
    p.fillRect(text, ToQColor(Back()));
    p.setPen(ToQColor(fore));
    p.setFont(font());
    p.drawText(text, Qt::AlignCenter, caption);
}

// --- Graphic ---------------------------------------------------------------------

Graphic::Graphic(Container& parent) : parent_(parent)
{
    if (parent_.Host()) parent_.Host()->AddGraphic(this);
}

void Graphic::Repaint() const
{
    if (parent_.Host()) parent_.Host()->update();
}

// --- Label -------------------------------------------------------------------------

void Label::Caption(const std::string& text)
{
    if (caption_ == text) return;
    caption_ = text;
    Repaint();
}

void Label::ForeColor(Color c) { fore_ = c; Repaint(); }
void Label::BackColor(Color c) { back_ = c; Repaint(); }
void Label::Transparent(bool t) { transparent_ = t; Repaint(); }
void Label::Font(const FontSpec& f) { font_ = f; Repaint(); }
void Label::Alignment(Align a) { align_ = a; Repaint(); }
void Label::BorderSingle(bool b) { border_ = b; Repaint(); }

void Label::Paint(QPainter& p) const
{
    const QRect r = PxRect(left_, top_, width_, height_);
    if (!transparent_) p.fillRect(r, ToQColor(back_));
    QRect inner = r;
    if (border_) {
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        inner = r.adjusted(1, 1, -1, -1);
    }
    if (caption_.empty()) return;
    int flags = Qt::AlignTop | Qt::TextWordWrap;
    flags |= align_ == Align::Left ? Qt::AlignLeft : align_ == Align::Right ? Qt::AlignRight : Qt::AlignHCenter;
    p.save();
    p.setClipRect(inner);
    QFont font = MakeFont(font_);
    QString text = Q(caption_);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // The installed faces run a little wider than the design's: a one-line
    // caption that overshoots its box slightly is narrowed to fit rather
    // than broken onto a second line the box cannot show.
    if (!text.contains(QLatin1Char('\n'))) {
        const qreal advance = QFontMetricsF(font).horizontalAdvance(text);
        if (advance <= inner.width() * 1.15) {
            flags &= ~Qt::TextWordWrap;
            if (advance > inner.width())
                font.setStretch(std::max(1, int(inner.width() * 100 / advance)));
        }
    }
    p.setFont(font);
    p.setPen(ToQColor(fore_));
    p.drawText(inner, flags, text);
    p.restore();
}

// --- Shape ---------------------------------------------------------------------------

void Shape::Kind(ShapeKind k) { kind_ = k; Repaint(); }
void Shape::FillColor(Color c) { filled_ = true; fill_ = c; Repaint(); }
void Shape::BorderColor(Color c) { border_ = c; Repaint(); }
void Shape::BorderWidth(int pixels) { borderWidth_ = pixels; Repaint(); }

void Shape::Paint(QPainter& p) const
{
    const QRectF r = PxRect(left_, top_, width_, height_);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, kind_ == ShapeKind::RoundedRectangle);
    const double w = borderWidth_;
    // The outline lies inside the shape's box, as a wide pen does there.
    const QRectF box = w > 0 ? r.adjusted(w / 2, w / 2, -w / 2, -w / 2) : r;
    p.setPen(w > 0 ? QPen(ToQColor(border_), w) : QPen(Qt::NoPen));
    p.setBrush(filled_ ? QBrush(ToQColor(fill_)) : QBrush(Qt::NoBrush));
    if (kind_ == ShapeKind::RoundedRectangle) {
        const double radius = std::min(box.width(), box.height()) / 4;
        p.drawRoundedRect(box, radius, radius);
    } else {
        p.drawRect(box);
    }
    p.restore();
}

// --- Line ------------------------------------------------------------------------------

void Line::X1(int v) { Coords(v, y1_, x2_, y2_); }
void Line::Y1(int v) { Coords(x1_, v, x2_, y2_); }
void Line::X2(int v) { Coords(x1_, y1_, v, y2_); }
void Line::Y2(int v) { Coords(x1_, y1_, x2_, v); }

void Line::Coords(int x1, int y1, int x2, int y2)
{
    const int ox1 = x1_, oy1 = y1_, ox2 = x2_, oy2 = y2_;
    x1_ = x1; y1_ = y1; x2_ = x2; y2_ = y2;
    Changed(ox1, oy1, ox2, oy2, width_);
}

void Line::BorderColor(Color c)
{
    if (color_ == c) return;
    color_ = c;
    Changed(x1_, y1_, x2_, y2_, width_);
}

void Line::BorderWidth(int pixels)
{
    const int old = width_;
    width_ = pixels;
    Changed(x1_, y1_, x2_, y2_, old);
}

void Line::Changed(int ox1, int oy1, int ox2, int oy2, int owidth)
{
    PaintHost* host = parent_.Host();
    if (!host) return;
    // Only the old and the new stretch of the line need painting again.
    auto span = [](int x1, int y1, int x2, int y2, int w) {
        const int pad = w / 2 + 2;
        return QRect(QPoint(Px(std::min(x1, x2)) - pad, Px(std::min(y1, y2)) - pad),
                     QPoint(Px(std::max(x1, x2)) + pad, Px(std::max(y1, y2)) + pad));
    };
    host->update(span(ox1, oy1, ox2, oy2, owidth) | span(x1_, y1_, x2_, y2_, width_));
}

void Line::Paint(QPainter& p) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(ToQColor(color_), std::max(1, width_));
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(QPointF(Px(x1_), Px(y1_)), QPointF(Px(x2_), Px(y2_)));
    p.restore();
}

// --- Image -------------------------------------------------------------------------------

void Image::Picture(const std::string& name)
{
    picture_ = name;
    Repaint();
}

void Image::Paint(QPainter& p) const
{
    if (picture_.empty()) return;
    p.drawPixmap(PxRect(left_, top_, width_, height_), kv::Picture(picture_));
}

} // namespace kv
