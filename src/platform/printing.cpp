// Printing through CUPS: Qt paints the page as a PDF document, libcups finds
// the default printer and submits the job, so a refused job is seen (Qt's own
// print engine does not report the result of its submission).
#include "platform/printing.h"

#include "platform/errors.h"
#include "platform/ui_internal.h"

#include <QApplication>
#include <QDir>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>

namespace kv {
namespace {

// The window is drawn at three times its screen resolution, so the printed
// text stays sharp on paper.
constexpr int Oversampling = 3;

[[noreturn]] void Fail(const std::string& what)
{
    throw RuntimeError(ErrPrinter, what);
}

std::string CupsError() { return cupsLastErrorString() ? cupsLastErrorString() : "unknown error"; }

struct DestOwner {
    cups_dest_t* dest;
    ~DestOwner()
    {
        if (dest) cupsFreeDests(1, dest);
    }
};

QImage WindowImage(const Form& form)
{
    QWidget* w = form.Widget();
    QImage image(w->size() * Oversampling, QImage::Format_RGB32);
    image.setDevicePixelRatio(Oversampling);
    image.fill(Qt::white);
    // The text cursor is no part of the window's image.
    QWidget* focus = QApplication::focusWidget();
    const bool ours = focus && w->isAncestorOf(focus);
    if (ours) focus->clearFocus();
    w->render(&image);
    if (ours) focus->setFocus(Qt::OtherFocusReason);
    return image;
}

// The printer's own default paper when the print system tells it, else A4.
QPageSize PaperOf(const char* printer)
{
    const QPageSize size = QPrinterInfo::printerInfo(QString::fromLocal8Bit(printer)).defaultPageSize();
    return size.isValid() ? size : QPageSize(QPageSize::A4);
}

// One page: the image as large as fits within 10 mm margins, proportions
// kept, centred across the top.
void WritePage(QIODevice& out, const QImage& image, const QPageSize& paper, const QString& title)
{
    QPdfWriter pdf(&out);
    pdf.setTitle(title);
    pdf.setResolution(300);
    pdf.setPageLayout(QPageLayout(paper, QPageLayout::Portrait, QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    QPainter p;
    if (!p.begin(&pdf)) Fail("cannot start the page");
    const QSizeF logical = image.deviceIndependentSize();
    const double scale = std::min(pdf.width() / logical.width(), pdf.height() / logical.height());
    const QSizeF size = logical * scale;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(QPointF((pdf.width() - size.width()) / 2, 0), size), image);
    if (!p.end()) Fail("cannot finish the page");
}

} // namespace

void PrintFormImage(const Form& form)
{
    // Settings of the print system (server, default printer) are read afresh
    // for every job, as the user may change them while the program runs.
    cupsSetServer(nullptr);
    DestOwner printer{cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr)};
    if (!printer.dest) Fail("no default printer: " + CupsError());

    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/kvprint-XXXXXX.pdf"));
    if (!file.open()) Fail("cannot create the page file: " + S(file.errorString()));
    const QString title = Q(form.Caption());
    WritePage(file, WindowImage(form), PaperOf(printer.dest->name), title);
    if (!file.flush()) Fail("cannot write the page file: " + S(file.errorString()));

    // The options the user saved for this printer (lpoptions) go with the job.
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, printer.dest->name, file.fileName().toLocal8Bit().constData(),
                                   title.toLocal8Bit().constData(), printer.dest->num_options, printer.dest->options);
    if (job <= 0) Fail(std::string("the printer ") + printer.dest->name + " refused the job: " + CupsError());
}

} // namespace kv
