// Draws the program's artwork and its chime, so that assets/ can be rebuilt
// from source instead of being hand-edited bitmaps.
//
//   kv-artgen <output-dir>
//
// Everything is drawn with QPainter from fixed numbers; running it twice gives
// the same files. After writing, every file is read back and checked, and the
// tool fails loudly if a size or the WAV header is wrong.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QConicalGradient>
#include <QTransform>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

const QColor kCyan(0, 229, 255);
const QColor kYellow(255, 230, 0);
const QColor kGreen(57, 255, 20);
const QColor kMagenta(255, 43, 214);

QColor withAlpha(QColor c, int a)
{
    c.setAlpha(a);
    return c;
}

// ---------------------------------------------------------------------------
// Shared drawing pieces

// The classic "horizon" chrome: bright sky, a dark band just below the middle,
// a reflected ground that brightens again.
QLinearGradient chrome(QPointF from, QPointF to)
{
    QLinearGradient g(from, to);
    g.setColorAt(0.00, QColor(252, 253, 255));
    g.setColorAt(0.20, QColor(205, 213, 226));
    g.setColorAt(0.46, QColor(120, 131, 150));
    g.setColorAt(0.52, QColor(62, 70, 88));
    g.setColorAt(0.64, QColor(140, 150, 170));
    g.setColorAt(0.86, QColor(220, 226, 236));
    g.setColorAt(1.00, QColor(118, 126, 144));
    return g;
}

QLinearGradient gold(QPointF from, QPointF to)
{
    QLinearGradient g(from, to);
    g.setColorAt(0.00, QColor(255, 247, 200));
    g.setColorAt(0.25, QColor(240, 200, 90));
    g.setColorAt(0.50, QColor(150, 100, 20));
    g.setColorAt(0.70, QColor(230, 180, 60));
    g.setColorAt(1.00, QColor(120, 80, 15));
    return g;
}

// A soft white reflection over the upper half of a glossy shape.
void gloss(QPainter &p, const QRectF &r, double radius, int alpha = 150)
{
    QRectF top(r.left() + r.width() * 0.06, r.top() + r.height() * 0.04,
               r.width() * 0.88, r.height() * 0.46);
    QLinearGradient g(top.topLeft(), top.bottomLeft());
    g.setColorAt(0, QColor(255, 255, 255, alpha));
    g.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(top, radius * 0.8, radius * 0.8);
}

void grid(QPainter &p, const QRect &area, int step, QColor minor, QColor major, int majorEvery)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0, x = area.left(); x <= area.right(); x += step, ++i) {
        p.setPen(QPen(i % majorEvery == 0 ? major : minor, 1));
        p.drawLine(x, area.top(), x, area.bottom());
    }
    for (int i = 0, y = area.top(); y <= area.bottom(); y += step, ++i) {
        p.setPen(QPen(i % majorEvery == 0 ? major : minor, 1));
        p.drawLine(area.left(), y, area.right(), y);
    }
    p.restore();
}

// A linear gradient through three colours, the middle one half way.
QLinearGradient ramp(QPointF from, QPointF to, QColor a, QColor b, QColor c)
{
    QLinearGradient g(from, to);
    g.setColorAt(0, a);
    g.setColorAt(0.5, b);
    g.setColorAt(1, c);
    return g;
}

void glow(QPainter &p, QPointF centre, double radius, QColor c)
{
    QRadialGradient g(centre, radius);
    g.setColorAt(0, c);
    g.setColorAt(1, withAlpha(c, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
}

// Darkens the corners so large backgrounds do not look flat.
void vignette(QPainter &p, const QRectF &r, int strength)
{
    QRadialGradient g(r.center(), std::hypot(r.width(), r.height()) * 0.55);
    g.setColorAt(0.55, QColor(0, 0, 0, 0));
    g.setColorAt(1.0, QColor(0, 0, 0, strength));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRect(r);
}

void screw(QPainter &p, QPointF c, double r)
{
    QRadialGradient g(c - QPointF(r * 0.4, r * 0.4), r * 1.6);
    g.setColorAt(0, QColor(245, 248, 255));
    g.setColorAt(0.5, QColor(140, 150, 168));
    g.setColorAt(1, QColor(40, 45, 58));
    p.setPen(QPen(QColor(10, 12, 18), 0.8));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    p.setPen(QPen(QColor(30, 34, 44), r * 0.35, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-r * 0.6, r * 0.6), c + QPointF(r * 0.6, -r * 0.6));
}

// A metal frame of width `rim` around a recessed face; the face brush is the caller's.
void bevelPlate(QPainter &p, const QRectF &r, double radius, double rim, const QBrush &face)
{
    p.setPen(QPen(QColor(8, 10, 16), 1));
    p.setBrush(chrome(r.topLeft(), r.bottomLeft()));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    QRectF in = r.adjusted(rim, rim, -rim, -rim);
    double ir = std::max(0.0, radius - rim * 0.7);
    // The inner edge is lit from below: the recess reads as sunk into the plate.
    QLinearGradient edge(in.topLeft(), in.bottomLeft());
    edge.setColorAt(0, QColor(20, 22, 30));
    edge.setColorAt(1, QColor(230, 236, 245));
    p.setPen(Qt::NoPen);
    p.setBrush(edge);
    p.drawRoundedRect(in, ir, ir);
    p.setBrush(face);
    p.drawRoundedRect(in.adjusted(1, 1, -1, -1), ir, ir);
}

QPainterPath gearPath(QPointF c, double outer, double inner, int teeth, double hole)
{
    QPainterPath path;
    const int steps = teeth * 4;
    for (int i = 0; i < steps; ++i) {
        // Each tooth: rise, top, fall, valley; the flanks are slightly tapered.
        double a0 = 2 * kPi * i / steps;
        double a1 = 2 * kPi * (i + 1) / steps;
        bool top = (i % 4) == 1 || (i % 4) == 2;
        double r = top ? outer : inner;
        double taper = top ? 0.08 : -0.08;
        double aa = (i % 4 == 1) ? a0 + taper * (a1 - a0) : a0;
        double ab = (i % 4 == 2) ? a1 - taper * (a1 - a0) : a1;
        QPointF pa = c + QPointF(std::cos(aa) * r, std::sin(aa) * r);
        QPointF pb = c + QPointF(std::cos(ab) * r, std::sin(ab) * r);
        if (i == 0)
            path.moveTo(pa);
        else
            path.lineTo(pa);
        path.lineTo(pb);
    }
    path.closeSubpath();
    if (hole > 0) {
        QPainterPath h;
        h.addEllipse(c, hole, hole);
        path = path.subtracted(h);
    }
    return path;
}

// Wrench pointing up, centred on the origin, `len` long.
QPainterPath wrenchPath(double len)
{
    const double head = len * 0.22, handle = len * 0.09;
    QPainterPath p;
    p.addRoundedRect(QRectF(-handle, -len * 0.30, handle * 2, len * 0.78), handle, handle);
    QPainterPath h;
    h.addEllipse(QPointF(0, -len * 0.32), head, head);
    p = p.united(h);
    QPainterPath jaw;
    jaw.addRect(QRectF(-head * 0.36, -len * 0.32 - head * 1.2, head * 0.72, head * 1.05));
    p = p.subtracted(jaw);
    QPainterPath ring;
    ring.addEllipse(QPointF(0, len * 0.44), handle * 1.5, handle * 1.5);
    p = p.united(ring);
    QPainterPath eye;
    eye.addEllipse(QPointF(0, len * 0.44), handle * 0.7, handle * 0.7);
    return p.subtracted(eye);
}

QFont heavyFont(double px, bool italic)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(int(px));
    f.setWeight(QFont::Black);
    f.setItalic(italic);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// Tick marks and a coloured arc of a speedometer; angles in degrees, Qt's
// convention (0 = 3 o'clock, counter-clockwise).
void gaugeDial(QPainter &p, QPointF c, double r, double startDeg, double spanDeg, int ticks, double width)
{
    // The dial is read clockwise (spanDeg < 0) from green to magenta. Conical
    // gradients run counter-clockwise, so they start at the dial's far end.
    QConicalGradient arc(c, startDeg + spanDeg);
    double f = -spanDeg / 360.0;
    arc.setColorAt(0, kMagenta);
    arc.setColorAt(f * 0.5, kYellow);
    arc.setColorAt(f, kGreen);
    arc.setColorAt(1, kGreen);
    QPainterPath band;
    QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
    band.arcMoveTo(box, startDeg);
    band.arcTo(box, startDeg, spanDeg);
    p.setPen(QPen(QBrush(arc), width, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(band);

    for (int i = 0; i <= ticks; ++i) {
        double a = (startDeg + spanDeg * i / ticks) * kPi / 180.0;
        bool major = i % 5 == 0;
        double r0 = r - width * 0.5 - (major ? width * 1.6 : width * 0.9);
        double r1 = r - width * 0.5 - 1;
        QPointF d(std::cos(a), -std::sin(a));
        p.setPen(QPen(major ? QColor(240, 245, 255) : QColor(150, 170, 200), major ? 2.0 : 1.0));
        p.drawLine(c + d * r0, c + d * r1);
    }
}

// Yellow brackets in the four corners, `margin` in from the edges.
void cornerBrackets(QPainter &p, const QRectF &r, double margin, double length)
{
    p.setPen(QPen(withAlpha(kYellow, 170), 2, Qt::SolidLine, Qt::SquareCap));
    p.setBrush(Qt::NoBrush);
    for (int sx : {0, 1})
        for (int sy : {0, 1}) {
            double x = sx ? r.width() - margin : margin, y = sy ? r.height() - margin : margin;
            double dx = sx ? -length : length, dy = sy ? -length : length;
            p.drawLine(QPointF(x, y), QPointF(x + dx, y));
            p.drawLine(QPointF(x, y), QPointF(x, y + dy));
        }
}

void needle(QPainter &p, QPointF c, double len, double deg, double w)
{
    double a = deg * kPi / 180.0;
    QPointF d(std::cos(a), -std::sin(a));
    QPointF n(-d.y(), d.x());
    QPolygonF poly{c + d * len, c + n * w - d * (len * 0.12), c - n * w - d * (len * 0.12)};
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 60, 40));
    p.drawPolygon(poly);
    QRadialGradient hub(c - QPointF(w * 0.5, w * 0.5), w * 2.5);
    hub.setColorAt(0, Qt::white);
    hub.setColorAt(1, QColor(70, 76, 90));
    p.setBrush(hub);
    p.drawEllipse(c, w * 1.4, w * 1.4);
}

// ---------------------------------------------------------------------------
// The pictures

using Painter = std::function<void(QPainter &, const QRectF &)>;

void paintMainBg(QPainter &p, const QRectF &r)
{
    QLinearGradient base(r.topLeft(), r.bottomLeft());
    base.setColorAt(0.0, QColor(18, 28, 62));
    base.setColorAt(0.45, QColor(7, 11, 30));
    base.setColorAt(1.0, QColor(2, 3, 10));
    p.fillRect(r, base);
    glow(p, QPointF(800, 90), 520, QColor(30, 90, 200, 70));
    glow(p, QPointF(120, 700), 380, QColor(120, 20, 140, 40));
    grid(p, r.toRect(), 20, QColor(50, 110, 190, 22), QColor(70, 150, 230, 48), 5);

    // Hazard stripes top right, a speed cue that stays clear of the title strip.
    p.save();
    p.setClipRect(QRectF(r.right() - 330, 6, 320, 16));
    for (int i = 0; i < 30; ++i) {
        double x = r.right() - 340 + i * 16;
        QPolygonF s{{x, 22}, {x + 8, 22}, {x + 24, 6}, {x + 16, 6}};
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(kYellow, std::min(230, 40 + i * 9)));
        p.drawPolygon(s);
    }
    p.restore();

    // Neon hairlines framing the work area; they fade out towards the ends.
    auto hline = [&](double y, QColor c) {
        QLinearGradient g(r.left(), 0, r.right(), 0);
        g.setColorAt(0, withAlpha(c, 0));
        g.setColorAt(0.2, withAlpha(c, 200));
        g.setColorAt(0.8, withAlpha(c, 200));
        g.setColorAt(1, withAlpha(c, 0));
        p.fillRect(QRectF(r.left(), y, r.width(), 1), g);
        p.fillRect(QRectF(r.left(), y - 1, r.width(), 3), QColor(c.red(), c.green(), c.blue(), 25));
    };
    hline(30, kCyan);
    hline(r.bottom() - 170, kMagenta);
    hline(r.bottom() - 4, kCyan);
    vignette(p, r, 170);
}

void paintIcon(QPainter &p, const QRectF &r)
{
    QPointF c = r.center();
    QRadialGradient rim(c - QPointF(5, 5), 20);
    rim.setColorAt(0, QColor(250, 252, 255));
    rim.setColorAt(0.6, QColor(130, 140, 160));
    rim.setColorAt(1, QColor(40, 44, 56));
    p.setPen(Qt::NoPen);
    p.setBrush(rim);
    p.drawEllipse(c, 15.5, 15.5);
    QRadialGradient face(c, 14);
    face.setColorAt(0, QColor(25, 40, 90));
    face.setColorAt(1, QColor(4, 6, 18));
    p.setBrush(face);
    p.drawEllipse(c, 13.5, 13.5);
    gaugeDial(p, c, 11.5, 225, -270, 10, 2.5);

    // The K, drawn as strokes so it stays crisp at this size.
    QPainterPath k;
    k.moveTo(11.5, 9);
    k.lineTo(11.5, 23);
    k.moveTo(20.5, 9);
    k.lineTo(13, 16.5);
    k.lineTo(21, 23);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 200), 4.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(k);
    p.setPen(QPen(kYellow, 2.4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(k);
}

void paintStart(QPainter &p, const QRectF &r)
{
    QRectF b = r.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(6, 8, 14), 1));
    p.setBrush(chrome(b.topLeft(), b.bottomRight()));
    p.drawRoundedRect(b, 7, 7);

    QPointF c = r.center();
    double rad = 13.2;
    QLinearGradient ring(c - QPointF(0, rad), c + QPointF(0, rad));
    ring.setColorAt(0, QColor(20, 24, 32));
    ring.setColorAt(1, QColor(235, 240, 250));
    p.setPen(Qt::NoPen);
    p.setBrush(ring);
    p.drawEllipse(c, rad + 1.2, rad + 1.2);
    QRadialGradient ball(c + QPointF(0, rad * 0.5), rad * 1.5);
    ball.setColorAt(0, QColor(120, 255, 90));
    ball.setColorAt(0.45, QColor(20, 170, 30));
    ball.setColorAt(1, QColor(0, 50, 10));
    p.setBrush(ball);
    p.drawEllipse(c, rad, rad);

    QPolygonF tri{c + QPointF(-4.2, -7), c + QPointF(7.5, 0), c + QPointF(-4.2, 7)};
    p.setBrush(QColor(0, 40, 0, 150));
    p.drawPolygon(tri.translated(0.8, 1.0));
    p.setBrush(QColor(250, 255, 210));
    p.drawPolygon(tri);

    QRectF shine(c.x() - rad * 0.7, c.y() - rad * 0.92, rad * 1.4, rad * 0.85);
    QLinearGradient g(shine.topLeft(), shine.bottomLeft());
    g.setColorAt(0, QColor(255, 255, 255, 170));
    g.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(g);
    p.drawEllipse(shine);
}

void paintButtonFace(QPainter &p, const QRectF &r)
{
    QRectF b = r.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(10, 12, 20), 1));
    p.setBrush(QColor(40, 46, 60));
    p.drawRoundedRect(b, 6, 6);
    // Raised bevel: light on top-left, shade on bottom-right.
    QLinearGradient bevel(b.topLeft(), b.bottomRight());
    bevel.setColorAt(0, QColor(255, 255, 255));
    bevel.setColorAt(0.5, QColor(170, 180, 196));
    bevel.setColorAt(1, QColor(50, 56, 72));
    p.setPen(Qt::NoPen);
    p.setBrush(bevel);
    p.drawRoundedRect(b.adjusted(1, 1, -1, -1), 5, 5);
    // The face is kept mid-light and even through the middle so that either a
    // dark or an outlined light caption reads well.
    QRectF f = b.adjusted(3, 3, -3, -3);
    QLinearGradient face(f.topLeft(), f.bottomLeft());
    face.setColorAt(0, QColor(236, 240, 247));
    face.setColorAt(0.45, QColor(196, 204, 218));
    face.setColorAt(0.55, QColor(176, 185, 201));
    face.setColorAt(1, QColor(214, 221, 233));
    p.setBrush(face);
    p.drawRoundedRect(f, 3.5, 3.5);
    gloss(p, f, 3.5, 110);
    p.fillRect(QRectF(f.left() + 4, f.bottom() - 2, f.width() - 8, 1), withAlpha(kCyan, 110));
}

void paintFcButton(QPainter &p, const QRectF &r)
{
    QRectF b = r.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(50, 25, 0), 1));
    p.setBrush(gold(b.topLeft(), b.bottomLeft()));
    p.drawRoundedRect(b, 11, 11);
    QRectF f = b.adjusted(4, 4, -4, -4);
    QLinearGradient red(f.topLeft(), f.bottomLeft());
    red.setColorAt(0, QColor(255, 110, 90));
    red.setColorAt(0.5, QColor(210, 10, 20));
    red.setColorAt(0.51, QColor(160, 0, 10));
    red.setColorAt(1, QColor(255, 70, 40));
    p.setPen(QPen(QColor(80, 0, 0), 1));
    p.setBrush(red);
    p.drawRoundedRect(f, 8, 8);
    gloss(p, f, 8, 180);
    glow(p, QPointF(f.center().x(), f.bottom() - 3), 18, QColor(255, 220, 80, 120));
}

void paintSetup(QPainter &p, const QRectF &r)
{
    QRectF b = r.adjusted(1, 1, -1, -1);
    QLinearGradient bg(b.topLeft(), b.bottomLeft());
    bg.setColorAt(0, QColor(28, 40, 80));
    bg.setColorAt(1, QColor(5, 8, 22));
    p.setPen(QPen(withAlpha(kCyan, 200), 1.5));
    p.setBrush(bg);
    p.drawRoundedRect(b, 14, 14);
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(b, 14, 14);
    p.setClipPath(clip);
    grid(p, b.toRect(), 10, QColor(80, 140, 220, 25), QColor(80, 140, 220, 25), 1);
    glow(p, QPointF(58, 58), 45, QColor(0, 200, 255, 60));
    p.restore();

    QPainterPath gear = gearPath(QPointF(58, 58), 32, 25, 10, 10);
    p.setPen(QPen(QColor(5, 8, 15), 1.2));
    p.setBrush(chrome(QPointF(26, 26), QPointF(90, 90)));
    p.drawPath(gear);
    QRadialGradient hubShade(QPointF(58, 58), 20);
    hubShade.setColorAt(0.5, QColor(0, 0, 0, 90));
    hubShade.setColorAt(1, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(hubShade);
    p.drawEllipse(QPointF(58, 58), 20, 20);

    p.save();
    p.translate(44, 46);
    p.rotate(-45);
    QPainterPath w = wrenchPath(78);
    p.setPen(QPen(QColor(0, 0, 0, 120), 5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(w.translated(2, 2));
    p.setPen(QPen(QColor(5, 8, 15), 1.2));
    p.setBrush(chrome(QPointF(-10, 0), QPointF(10, 0)));
    p.drawPath(w);
    p.restore();

    p.setPen(QPen(kYellow, 2));
    for (int i = 0; i < 3; ++i)
        p.drawPoint(QPointF(14 + i * 7, 88));
}

void paintTitleStrip(QPainter &p, const QRectF &r)
{
    // A slanted right end; the transparency past it lets the background through.
    QPainterPath shape;
    shape.moveTo(0, 0);
    shape.lineTo(r.width() - 1, 0);
    shape.lineTo(r.width() - 1 - r.height(), r.height());
    shape.lineTo(0, r.height());
    shape.closeSubpath();
    QLinearGradient g(0, 0, 0, r.height());
    g.setColorAt(0, QColor(70, 88, 130));
    g.setColorAt(0.12, QColor(36, 48, 80));
    g.setColorAt(0.6, QColor(12, 18, 38));
    g.setColorAt(1, QColor(4, 6, 14));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(shape);
    p.save();
    p.setClipPath(shape);
    QLinearGradient sheen(0, 0, r.width(), 0);
    sheen.setColorAt(0, QColor(0, 229, 255, 70));
    sheen.setColorAt(0.5, QColor(0, 229, 255, 0));
    p.fillRect(r, sheen);
    p.fillRect(QRectF(0, 0, r.width(), 1), QColor(200, 220, 255, 180));
    p.fillRect(QRectF(0, r.height() - 2, r.width(), 2), kCyan);
    p.fillRect(QRectF(0, 0, 6, r.height()), kYellow);
    p.fillRect(QRectF(6, 0, 2, r.height()), QColor(0, 0, 0, 180));
    for (int i = 0; i < 4; ++i) {
        double x = r.width() - 86 + i * 11;
        QPolygonF s{{x, r.height()}, {x + 5, r.height()}, {x + 5 + r.height(), 0}, {x + r.height(), 0}};
        p.setBrush(withAlpha(kMagenta, 90 + i * 40));
        p.drawPolygon(s);
    }
    p.restore();
}

void paintInfoPanel(QPainter &p, const QRectF &r)
{
    QLinearGradient face(r.topLeft(), r.bottomLeft());
    face.setColorAt(0, QColor(48, 56, 74));
    face.setColorAt(1, QColor(18, 22, 32));
    bevelPlate(p, r, 8, 5, face);
    p.save();
    QRectF in = r.adjusted(6, 6, -6, -6);
    p.setClipRect(in);
    // Fine horizontal brushing; a fixed pattern, not noise, keeps the PNG small.
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int y = int(in.top()); y < in.bottom(); y += 2)
        p.fillRect(QRectF(in.left(), y, in.width(), 1), QColor(255, 255, 255, (y * 7) % 5 == 0 ? 10 : 4));
    p.setRenderHint(QPainter::Antialiasing, true);
    glow(p, QPointF(in.center().x(), in.top()), in.width() * 0.5, QColor(80, 160, 255, 40));
    p.restore();
    p.fillRect(QRectF(r.left() + 18, r.bottom() - 9, r.width() - 36, 1), withAlpha(kCyan, 140));
    for (QPointF s : {QPointF(12, 12), QPointF(r.width() - 12, 12), QPointF(12, r.height() - 12),
                      QPointF(r.width() - 12, r.height() - 12)})
        screw(p, s, 3.2);
}

void paintFcPlate(QPainter &p, const QRectF &r)
{
    QRectF b = r.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(40, 20, 0), 1));
    p.setBrush(gold(b.topLeft(), b.bottomLeft()));
    p.drawRoundedRect(b, 10, 10);
    QRectF in = b.adjusted(4, 4, -4, -4);
    QLinearGradient lcd(in.topLeft(), in.bottomLeft());
    lcd.setColorAt(0, QColor(2, 4, 10));
    lcd.setColorAt(1, QColor(18, 26, 48));
    p.setPen(QPen(QColor(255, 240, 190, 160), 1));
    p.setBrush(lcd);
    p.drawRoundedRect(in, 7, 7);
    p.save();
    p.setClipRect(in.adjusted(1, 1, -1, -1));
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int y = int(in.top()) + 2; y < in.bottom(); y += 3)
        p.fillRect(QRectF(in.left(), y, in.width(), 1), QColor(255, 200, 60, 10));
    p.setRenderHint(QPainter::Antialiasing, true);
    glow(p, QPointF(in.right() - 70, in.center().y()), 90, QColor(255, 180, 30, 45));
    p.restore();
    gloss(p, in, 7, 45);
}

void paintRowBar(QPainter &p, const QRectF &r)
{
    QRectF b = r.adjusted(0.5, 4.5, -0.5, -4.5);
    double rad = b.height() / 2;
    p.setPen(QPen(QColor(6, 8, 14), 1));
    p.setBrush(chrome(b.topLeft(), b.bottomLeft()));
    p.drawRoundedRect(b, rad, rad);

    // The dark channel carries the row's labels and gauge.
    QRectF ch = b.adjusted(rad * 0.9, 7, -rad * 0.9, -7);
    QLinearGradient edge(ch.topLeft(), ch.bottomLeft());
    edge.setColorAt(0, QColor(10, 12, 18));
    edge.setColorAt(1, QColor(240, 244, 250));
    p.setPen(Qt::NoPen);
    p.setBrush(edge);
    p.drawRoundedRect(ch, 6, 6);
    QRectF f = ch.adjusted(1, 1, -1, -1.5);
    QLinearGradient face(f.topLeft(), f.bottomLeft());
    face.setColorAt(0, QColor(4, 6, 16));
    face.setColorAt(0.6, QColor(14, 24, 52));
    face.setColorAt(1, QColor(24, 44, 90));
    p.setBrush(face);
    p.drawRoundedRect(f, 5, 5);
    p.fillRect(QRectF(f.left() + 8, f.bottom() - 3, f.width() - 16, 1), withAlpha(kCyan, 120));

    // A lamp at the right end (the row's name stands at the left end).
    for (double x : {b.right() - rad * 0.5}) {
        QPointF c(x, b.center().y());
        glow(p, c, 9, withAlpha(kGreen, 90));
        QRadialGradient lamp(c - QPointF(1.2, 1.2), 5);
        lamp.setColorAt(0, QColor(230, 255, 220));
        lamp.setColorAt(0.5, kGreen);
        lamp.setColorAt(1, QColor(0, 70, 0));
        p.setPen(QPen(QColor(10, 20, 10), 0.8));
        p.setBrush(lamp);
        p.drawEllipse(c, 4, 4);
    }
}

void paintSideBar(QPainter &p, const QRectF &r)
{
    QRectF b = r.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(6, 8, 14), 1));
    p.setBrush(chrome(b.topLeft(), b.topRight()));
    p.drawRoundedRect(b, 6, 6);
    QRectF groove(b.center().x() - 2.5, b.top() + 14, 5, b.height() - 28);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(6, 8, 16));
    p.drawRoundedRect(groove, 2.5, 2.5);
    QLinearGradient neon(groove.topLeft(), groove.bottomLeft());
    neon.setColorAt(0, withAlpha(kCyan, 230));
    neon.setColorAt(0.5, withAlpha(kMagenta, 200));
    neon.setColorAt(1, withAlpha(kCyan, 230));
    p.setBrush(neon);
    p.drawRoundedRect(groove.adjusted(1.5, 1, -1.5, -1), 1, 1);
    for (int y = 50; y < r.height(); y += 100) {
        p.setBrush(QColor(6, 8, 16));
        p.drawRect(QRectF(b.left() + 2, y - 3, b.width() - 4, 6));
        screw(p, QPointF(b.center().x(), y), 3.4);
    }
}

void paintBg556(QPainter &p, const QRectF &r)
{
    QRadialGradient base(r.center(), r.width() * 0.75);
    base.setColorAt(0, QColor(16, 30, 66));
    base.setColorAt(1, QColor(2, 3, 12));
    p.fillRect(r, base);
    grid(p, r.toRect(), 16, QColor(60, 120, 200, 20), QColor(60, 140, 230, 40), 4);
    // A radar face under the content: rings and compass ticks.
    QPointF c = r.center();
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 5; ++i) {
        p.setPen(QPen(QColor(0, 229, 255, 18 + i * 6), 1));
        p.drawEllipse(c, i * 50.0, i * 50.0);
    }
    for (int i = 0; i < 72; ++i) {
        double a = 2 * kPi * i / 72;
        QPointF d(std::cos(a), std::sin(a));
        double inner = i % 6 == 0 ? 236 : 244;
        p.setPen(QPen(QColor(0, 229, 255, i % 6 == 0 ? 90 : 45), 1.2));
        p.drawLine(c + d * inner, c + d * 252);
    }
    QConicalGradient sweep(c, 45);
    sweep.setColorAt(0, QColor(57, 255, 20, 40));
    sweep.setColorAt(0.12, QColor(57, 255, 20, 0));
    sweep.setColorAt(1, QColor(57, 255, 20, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sweep);
    p.drawEllipse(c, 250.0, 250.0);
    p.setPen(QPen(QColor(57, 255, 20, 90), 1.2));
    p.drawLine(c, c + QPointF(std::cos(kPi / 4), -std::sin(kPi / 4)) * 250);

    cornerBrackets(p, r, 10, 36);
    vignette(p, r, 150);
}

// The information window: a dark console bezel around the text area
// (50, 49, 600 x 499 pixels) with a caption strip above it and status lamps
// beside the OK button.
void paintInfoBg(QPainter &p, const QRectF &r)
{
    p.fillRect(r, ramp(r.topLeft(), r.bottomLeft(), QColor(14, 24, 52), QColor(6, 10, 26), QColor(2, 3, 10)));
    grid(p, r.toRect(), 16, QColor(60, 120, 200, 18), QColor(60, 140, 230, 36), 4);
    glow(p, QPointF(r.width() * 0.3, 20), 300, QColor(40, 200, 90, 40));

    // A green halo and a hairline frame around the text area.
    const QRectF text(50, 49, 600, 499);
    for (int i = 6; i >= 1; --i) {
        p.setPen(QPen(QColor(57, 255, 20, 10 + (6 - i) * 6), i * 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(text.adjusted(-5, -5, 5, 5), 6, 6);
    }
    p.setPen(QPen(withAlpha(kGreen, 200), 1.2));
    p.drawRoundedRect(text.adjusted(-5, -5, 5, 5), 6, 6);

    // The caption strip: a bar of light fading to the right, with a cursor.
    QLinearGradient bar(50, 0, 650, 0);
    bar.setColorAt(0, withAlpha(kGreen, 160));
    bar.setColorAt(0.6, withAlpha(kGreen, 40));
    bar.setColorAt(1, withAlpha(kGreen, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(bar);
    p.drawRect(QRectF(50, 33, 600, 2));
    const QString caption = QStringLiteral("SYSTEM INFORMATION");
    const QFont font = heavyFont(17, true);
    p.setFont(font);
    p.setPen(withAlpha(kCyan, 230));
    p.drawText(QRectF(56, 8, 400, 24), Qt::AlignLeft | Qt::AlignVCenter, caption);
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(kGreen, 220));
    p.drawRect(QRectF(56 + QFontMetricsF(font).horizontalAdvance(caption) + 6, 13, 9, 15));

    // Scale marks down the right margin, like a scroll gauge.
    for (int y = 60; y < 540; y += 12) {
        const bool major = (y - 60) % 60 == 0;
        p.setPen(QPen(withAlpha(kCyan, major ? 150 : 60), 1));
        p.drawLine(QPointF(666, y), QPointF(major ? 684 : 676, y));
    }

    // Status lamps bottom left, clear of the OK button (578, 560).
    const QColor lamps[] = {kGreen, kGreen, kYellow, kCyan, kMagenta};
    for (int i = 0; i < 5; ++i) {
        const QPointF c(64 + i * 22, 576);
        glow(p, c, 10, withAlpha(lamps[i], 90));
        p.setPen(QPen(QColor(10, 12, 20), 1));
        p.setBrush(lamps[i]);
        p.drawEllipse(c, 4, 4);
    }
    p.setPen(QPen(withAlpha(kCyan, 120), 1));
    p.drawLine(QPointF(180, 576), QPointF(560, 576));

    cornerBrackets(p, r, 8, 30);
    vignette(p, r, 140);
}

void paintSetupBg(QPainter &p, const QRectF &r)
{
    p.fillRect(r, ramp(r.topLeft(), r.bottomRight(), QColor(22, 24, 64), QColor(8, 10, 30), QColor(18, 6, 34)));
    grid(p, r.toRect(), 24, QColor(120, 110, 230, 18), QColor(140, 130, 255, 36), 4);
    glow(p, QPointF(200, 120), 360, QColor(40, 120, 255, 45));
    // Large faint gears in the lower right; they hint at "settings" without competing.
    p.setPen(QPen(QColor(0, 229, 255, 50), 1.5));
    p.setBrush(QColor(120, 140, 220, 18));
    p.drawPath(gearPath(QPointF(700, 540), 170, 148, 18, 60));
    p.drawPath(gearPath(QPointF(454, 630), 88, 74, 9, 28));
    // Inset neon frame.
    QRectF frame = r.adjusted(8, 8, -8, -8);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 229, 255, 40), 5));
    p.drawRoundedRect(frame, 10, 10);
    p.setPen(QPen(QColor(0, 229, 255, 170), 1.2));
    p.drawRoundedRect(frame, 10, 10);
    p.setPen(QPen(withAlpha(kMagenta, 150), 1));
    p.drawLine(QPointF(frame.left() + 20, frame.top() + 6), QPointF(frame.left() + 260, frame.top() + 6));
    vignette(p, r, 140);
}

// Guilloche: overlapping phase-shifted sine strokes along a closed rectangle.
void guillocheBand(QPainter &p, const QRectF &mid, double amp, int waves, QColor c)
{
    const double perim = 2 * (mid.width() + mid.height());
    auto along = [&](double s, QPointF &pt, QPointF &normal) {
        s = std::fmod(s, perim);
        if (s < mid.width()) {
            pt = {mid.left() + s, mid.top()};
            normal = {0, -1};
        } else if ((s -= mid.width()) < mid.height()) {
            pt = {mid.right(), mid.top() + s};
            normal = {1, 0};
        } else if ((s -= mid.height()) < mid.width()) {
            pt = {mid.right() - s, mid.bottom()};
            normal = {0, 1};
        } else {
            s -= mid.width();
            pt = {mid.left(), mid.bottom() - s};
            normal = {-1, 0};
        }
    };
    const int n = int(perim);
    p.setBrush(Qt::NoBrush);
    for (int k = 0; k < 4; ++k) {
        QPainterPath path;
        for (int i = 0; i <= n; ++i) {
            double s = perim * i / n;
            QPointF pt, nr;
            along(s, pt, nr);
            double phase = 2 * kPi * waves * s / perim + k * kPi / 2;
            QPointF q = pt + nr * (amp * std::sin(phase) * (0.65 + 0.35 * std::cos(phase * 0.25)));
            if (i == 0)
                path.moveTo(q);
            else
                path.lineTo(q);
        }
        p.setPen(QPen(c, 0.8));
        p.drawPath(path);
    }
}

void rosette(QPainter &p, QPointF c, double r, int petals, QColor col, double width)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(col, width));
    for (int k = 0; k < 6; ++k) {
        QPainterPath path;
        const int n = 360;
        for (int i = 0; i <= n; ++i) {
            double t = 2 * kPi * i / n;
            double rr = r * (0.55 + 0.45 * std::cos(petals * t + k * kPi / 6));
            QPointF q = c + QPointF(std::cos(t), std::sin(t)) * rr;
            if (i == 0)
                path.moveTo(q);
            else
                path.lineTo(q);
        }
        p.drawPath(path);
    }
}

void paintReportBg(QPainter &p, const QRectF &r)
{
    QLinearGradient paper(r.topLeft(), r.bottomRight());
    paper.setColorAt(0, QColor(253, 250, 238));
    paper.setColorAt(1, QColor(243, 234, 206));
    p.fillRect(r, paper);

    const QColor ink(150, 115, 40);
    const QColor ink2(40, 110, 100);
    QRectF outer = r.adjusted(14, 14, -14, -14);
    QRectF inner = r.adjusted(40, 40, -40, -40);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 2.5));
    p.drawRect(outer);
    p.setPen(QPen(ink, 0.8));
    p.drawRect(outer.adjusted(4, 4, -4, -4));
    p.setPen(QPen(ink, 1.6));
    p.drawRect(inner);
    p.setPen(QPen(ink, 0.6));
    p.drawRect(inner.adjusted(-4, -4, 4, 4));
    QRectF mid = r.adjusted(29, 29, -29, -29);
    guillocheBand(p, mid, 6, 120, withAlpha(ink2, 150));

    for (QPointF c : {inner.topLeft(), inner.topRight(), inner.bottomLeft(), inner.bottomRight()}) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(253, 249, 236));
        p.drawEllipse(c, 22, 22);
        rosette(p, c, 20, 8, withAlpha(ink, 200), 0.7);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink, 1.4));
        p.drawEllipse(c, 21, 21);
    }

    // Watermark seal, faint enough to print text over.
    QPointF c = r.center() + QPointF(0, 20);
    rosette(p, c, 170, 24, QColor(40, 110, 100, 18), 1.0);
    p.setPen(QPen(QColor(150, 115, 40, 28), 2));
    p.drawEllipse(c, 185, 185);
    p.drawEllipse(c, 178, 178);
    // Gold ribbon on the bottom right where a seal would be stamped.
    QPointF s(r.width() - 110, r.height() - 104);
    p.setPen(Qt::NoPen);
    for (int side : {-1, 1}) {
        QPolygonF tail{s + QPointF(side * 6, 10), s + QPointF(side * 26, 58), s + QPointF(side * 16, 52),
                       s + QPointF(side * 10, 62), s + QPointF(side * -6, 14)};
        p.setBrush(side < 0 ? QColor(170, 30, 40) : QColor(140, 20, 30));
        p.drawPolygon(tail);
    }
    QPainterPath seal = gearPath(s, 30, 27, 24, 0);
    p.setPen(QPen(QColor(110, 70, 10), 1));
    p.setBrush(gold(s - QPointF(0, 30), s + QPointF(0, 30)));
    p.drawPath(seal);
    rosette(p, s, 20, 10, QColor(120, 80, 10, 180), 0.6);
    p.setPen(QPen(QColor(255, 250, 210, 200), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(s, 23, 23);
}

void paintLogo(QPainter &p, const QRectF &r)
{
    QRectF b = r.adjusted(1, 1, -1, -1);
    QLinearGradient bg(b.topLeft(), b.bottomLeft());
    bg.setColorAt(0, QColor(20, 30, 70));
    bg.setColorAt(0.6, QColor(6, 10, 28));
    bg.setColorAt(1, QColor(2, 3, 10));
    p.setPen(QPen(QColor(140, 160, 200), 2));
    p.setBrush(bg);
    p.drawRoundedRect(b, 16, 16);
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(b, 16, 16);
    p.setClipPath(clip);
    grid(p, b.toRect(), 16, QColor(60, 120, 220, 22), QColor(60, 140, 240, 40), 4);

    // Speedometer rising behind the word.
    QPointF c(200, 150);
    glow(p, c, 150, QColor(0, 120, 255, 60));
    gaugeDial(p, c, 118, 210, -240, 40, 9);
    needle(p, c, 104, 28, 5);

    // Speed streaks trailing from the left.
    for (int i = 0; i < 6; ++i) {
        double y = 168 + i * 7.5;
        QLinearGradient s(10, 0, 180, 0);
        QColor col = i % 2 ? kCyan : kMagenta;
        s.setColorAt(0, withAlpha(col, 0));
        s.setColorAt(1, withAlpha(col, 190));
        p.fillRect(QRectF(10 + i * 12, y, 170 - i * 12, 2), s);
    }
    p.restore();

    // The word: chrome fill with a dark outline and a cyan halo.
    QPainterPath word;
    QFont f = heavyFont(58, true);
    word.addText(0, 0, f, QStringLiteral("KORVELINE"));
    QRectF wb = word.boundingRect();
    double scale = 360.0 / wb.width();
    QTransform t;
    t.translate(20 - wb.left() * scale, 165);  // leaves room for the subtitle below
    t.scale(scale, 1.0);
    word = t.map(word);
    wb = word.boundingRect();
    p.setBrush(Qt::NoBrush);
    for (int w = 12; w >= 3; w -= 3) {
        p.setPen(QPen(QColor(0, 229, 255, 30), w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(word);
    }
    p.setPen(QPen(QColor(0, 0, 0), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(word.translated(2, 3));
    p.setPen(QPen(QColor(10, 14, 30), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(chrome(wb.topLeft(), wb.bottomLeft()));
    p.drawPath(word);
    p.setPen(QPen(QColor(255, 255, 255, 120), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawPath(word);

    // Underline swoosh; stops short of the lower right, where the year goes.
    QLinearGradient u(20, 0, 250, 0);
    u.setColorAt(0, kYellow);
    u.setColorAt(1, withAlpha(kYellow, 0));
    QPainterPath sw;
    sw.moveTo(22, 214);
    sw.cubicTo(100, 206, 180, 206, 250, 210);
    sw.lineTo(250, 213);
    sw.cubicTo(180, 211, 100, 212, 20, 220);
    sw.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(u);
    p.drawPath(sw);
}

void paintFace(QPainter &p, const QRectF &r)
{
    // A glossy folder with a disc peeking out: "pick a file".
    QPointF o(14, 4);
    QPainterPath back;
    back.moveTo(o + QPointF(0, 6));
    back.lineTo(o + QPointF(0, 2));
    back.quadTo(o, o + QPointF(2, 0));
    back.lineTo(o + QPointF(14, 0));
    back.lineTo(o + QPointF(18, 5));
    back.lineTo(o + QPointF(38, 5));
    back.quadTo(o + QPointF(40, 5), o + QPointF(40, 7));
    back.lineTo(o + QPointF(40, 34));
    back.lineTo(o + QPointF(0, 34));
    back.closeSubpath();
    p.setPen(QPen(QColor(90, 55, 0), 1));
    p.setBrush(QColor(200, 140, 20));
    p.drawPath(back);

    QPointF dc = o + QPointF(26, 10);
    QRadialGradient disc(dc, 13);
    disc.setColorAt(0, QColor(255, 255, 255));
    disc.setColorAt(0.3, QColor(180, 240, 255));
    disc.setColorAt(0.65, QColor(230, 160, 255));
    disc.setColorAt(1, QColor(120, 200, 240));
    p.setPen(QPen(QColor(40, 60, 90), 0.8));
    p.setBrush(disc);
    p.drawEllipse(dc, 12, 12);
    p.setBrush(QColor(30, 40, 60));
    p.drawEllipse(dc, 2.5, 2.5);

    QPainterPath front;
    front.moveTo(o + QPointF(-3, 14));
    front.lineTo(o + QPointF(43, 14));
    front.lineTo(o + QPointF(40, 34));
    front.lineTo(o + QPointF(0, 34));
    front.closeSubpath();
    QLinearGradient fg(o + QPointF(0, 14), o + QPointF(0, 34));
    fg.setColorAt(0, QColor(255, 236, 120));
    fg.setColorAt(0.5, QColor(250, 196, 40));
    fg.setColorAt(1, QColor(200, 130, 10));
    p.setPen(QPen(QColor(90, 55, 0), 1));
    p.setBrush(fg);
    p.drawPath(front);
    p.setPen(QPen(QColor(255, 255, 230, 200), 1));
    p.drawLine(o + QPointF(-1.5, 15.5), o + QPointF(41.5, 15.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kCyan);
    p.drawEllipse(o + QPointF(36, 29), 1.8, 1.8);
    Q_UNUSED(r);
}

struct Picture {
    const char *file;
    int width, height;
    bool transparent;
    Painter paint;
};

const std::vector<Picture> &pictures()
{
    static const std::vector<Picture> list{
        {"main_bg.png", 1000, 739, false, paintMainBg},
        {"icon.png", 32, 32, true, paintIcon},
        {"btn_start.png", 38, 37, true, paintStart},
        {"btn_face.png", 68, 44, true, paintButtonFace},
        {"btn_fc.png", 76, 46, true, paintFcButton},
        {"setup.png", 100, 100, true, paintSetup},
        {"title_strip.png", 450, 25, true, paintTitleStrip},
        {"info_panel.png", 450, 128, true, paintInfoPanel},
        {"fc_plate.png", 336, 55, true, paintFcPlate},
        {"row_bar.png", 840, 68, true, paintRowBar},
        {"side_bar.png", 25, 700, true, paintSideBar},
        {"bg556.png", 556, 556, false, paintBg556},
        {"setup_bg.png", 834, 667, false, paintSetupBg},
        {"report_bg.png", 707, 600, false, paintReportBg},
        {"info_bg.png", 707, 600, false, paintInfoBg},
        {"logo.png", 400, 300, true, paintLogo},
        {"face.png", 68, 44, true, paintFace},
    };
    return list;
}

bool writePicture(const QDir &dir, const Picture &pic)
{
    QImage img(pic.width, pic.height,
               pic.transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    img.fill(pic.transparent ? QColor(Qt::transparent) : QColor(Qt::black));
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        pic.paint(p, QRectF(0, 0, pic.width, pic.height));
    }
    // Opaque pictures go out as 24-bit: an alpha channel would only add bytes.
    QImage out = pic.transparent ? img.convertToFormat(QImage::Format_ARGB32)
                                 : img.convertToFormat(QImage::Format_RGB888);
    // Quality 0 asks the PNG writer for its strongest compression.
    return out.save(dir.filePath(QString::fromLatin1(pic.file)), "PNG", 0);
}

// ---------------------------------------------------------------------------
// The chime

constexpr int kRate = 22050;
constexpr double kChimeSeconds = 1.0;

// Two struck bell tones, E6 then C6. Each is a few partials whose upper ones die
// away faster, which is what makes a struck bar sound like a bell rather than an organ.
std::vector<int16_t> chimeSamples()
{
    const int n = int(kRate * kChimeSeconds);
    std::vector<double> mix(n, 0.0);
    struct Partial {
        double ratio, gain, decay;
    };
    const Partial partials[] = {{1.0, 1.0, 3.2}, {2.0, 0.38, 5.5}, {3.0, 0.14, 8.0}, {4.16, 0.07, 11.0}};
    auto strike = [&](double freq, double start, double level) {
        const int s0 = int(start * kRate);
        for (int i = s0; i < n; ++i) {
            double t = double(i - s0) / kRate;
            double attack = std::min(1.0, t / 0.004); // no click at the onset
            double v = 0;
            for (const Partial &pt : partials)
                v += pt.gain * std::exp(-pt.decay * t) * std::sin(2 * kPi * freq * pt.ratio * t);
            mix[i] += level * attack * v;
        }
    };
    strike(1318.51, 0.0, 1.0);
    strike(1046.50, 0.26, 0.95);

    double peak = 0;
    for (double v : mix)
        peak = std::max(peak, std::abs(v));
    const int fade = kRate / 25; // a short tail fade so the file ends on silence
    std::vector<int16_t> pcm(n);
    for (int i = 0; i < n; ++i) {
        double g = i >= n - fade ? double(n - 1 - i) / fade : 1.0;
        pcm[i] = int16_t(std::lround(mix[i] / peak * 0.7 * 32767.0 * g));
    }
    return pcm;
}

void putLe(QByteArray &b, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}

QByteArray waveFile(const std::vector<int16_t> &pcm)
{
    const uint32_t dataBytes = uint32_t(pcm.size() * 2);
    QByteArray b;
    b.append("RIFF");
    putLe(b, 36 + dataBytes, 4);
    b.append("WAVE");
    b.append("fmt ");
    putLe(b, 16, 4);          // fmt chunk size
    putLe(b, 1, 2);           // PCM
    putLe(b, 1, 2);           // mono
    putLe(b, kRate, 4);
    putLe(b, kRate * 2, 4);   // byte rate
    putLe(b, 2, 2);           // block align
    putLe(b, 16, 2);          // bits per sample
    b.append("data");
    putLe(b, dataBytes, 4);
    for (int16_t s : pcm)
        putLe(b, uint16_t(s), 2);
    return b;
}

// ---------------------------------------------------------------------------
// Read-back checks: the program loads these by exact size, and a player that
// meets a malformed header plays nothing.

uint32_t getLe(const QByteArray &b, int at, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= uint32_t(uint8_t(b[at + i])) << (8 * i);
    return v;
}

int checkOutput(const QDir &dir)
{
    int faults = 0;
    auto fail = [&](const QString &what) {
        std::fprintf(stderr, "kv-artgen: %s\n", qPrintable(what));
        ++faults;
    };
    for (const Picture &pic : pictures()) {
        QImage img(dir.filePath(QString::fromLatin1(pic.file)));
        if (img.isNull())
            fail(QStringLiteral("%1 does not load").arg(pic.file));
        else if (img.width() != pic.width || img.height() != pic.height)
            fail(QStringLiteral("%1 is %2x%3, wanted %4x%5")
                     .arg(pic.file).arg(img.width()).arg(img.height()).arg(pic.width).arg(pic.height));
        else if (pic.transparent && img.pixelColor(img.width() / 2, img.height() / 2).alpha() == 0)
            fail(QStringLiteral("%1 is empty in the middle").arg(pic.file));
    }

    QFile f(dir.filePath(QStringLiteral("CHIME2.WAV")));
    if (!f.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("CHIME2.WAV missing"));
        return faults;
    }
    const QByteArray w = f.readAll();
    if (w.size() < 44 || !w.startsWith("RIFF") || w.mid(8, 8) != "WAVEfmt " || w.mid(36, 4) != "data") {
        fail(QStringLiteral("CHIME2.WAV header layout"));
        return faults;
    }
    if (getLe(w, 4, 4) != uint32_t(w.size() - 8) || getLe(w, 40, 4) != uint32_t(w.size() - 44))
        fail(QStringLiteral("CHIME2.WAV chunk sizes disagree with the file length"));
    if (getLe(w, 20, 2) != 1 || getLe(w, 22, 2) != 1 || getLe(w, 24, 4) != kRate
        || getLe(w, 28, 4) != kRate * 2 || getLe(w, 32, 2) != 2 || getLe(w, 34, 2) != 16)
        fail(QStringLiteral("CHIME2.WAV is not 16-bit mono PCM at %1 Hz").arg(kRate));
    const double seconds = double(w.size() - 44) / (kRate * 2);
    if (seconds < 0.8 || seconds > 1.2)
        fail(QStringLiteral("CHIME2.WAV lasts %1 s").arg(seconds));
    // Both strikes must be audible and nothing may clip.
    int maxEarly = 0, maxLate = 0, maxAll = 0;
    for (int i = 0; 44 + 2 * i + 1 < w.size(); ++i) {
        int v = std::abs(int(int16_t(getLe(w, 44 + 2 * i, 2))));
        maxAll = std::max(maxAll, v);
        int &part = i < kRate / 4 ? maxEarly : maxLate;
        part = std::max(part, v);
    }
    if (maxEarly < 8000 || maxLate < 8000 || maxAll >= 32767)
        fail(QStringLiteral("CHIME2.WAV levels off (%1 / %2 / %3)").arg(maxEarly).arg(maxLate).arg(maxAll));
    return faults;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts need a Gui application, even off screen

    if (argc != 2) {
        std::fprintf(stderr, "usage: kv-artgen <output-dir>\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "kv-artgen: cannot create %s\n", argv[1]);
        return 1;
    }

    for (const Picture &pic : pictures())
        if (!writePicture(dir, pic)) {
            std::fprintf(stderr, "kv-artgen: cannot write %s\n", pic.file);
            return 1;
        }
    QFile wav(dir.filePath(QStringLiteral("CHIME2.WAV")));
    if (!wav.open(QIODevice::WriteOnly | QIODevice::Truncate) || wav.write(waveFile(chimeSamples())) < 0) {
        std::fprintf(stderr, "kv-artgen: cannot write CHIME2.WAV\n");
        return 1;
    }
    wav.close();

    const int faults = checkOutput(dir);
    if (faults)
        return 1;
    std::printf("kv-artgen: wrote %zu pictures and CHIME2.WAV to %s\n", pictures().size(),
                qPrintable(dir.absolutePath()));
    return 0;
}
