// Printing through CUPS: Qt paints the page as a PDF document, libcups finds
// the default printer and submits the job, so a refused job is seen (Qt's own
// print engine does not report the result of its submission).
#include "platform/printing.h"

#include "platform/errors.h"
#include "platform/pump.h"
#include "platform/ui_internal.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <chrono>
#include <cups/cups.h>

namespace kv {
namespace {

// The window is drawn at three times its screen resolution, so the printed
// text stays sharp on paper.
constexpr int Oversampling = 3;

// Everything Copy asks of the print system goes over one connection, and
// the whole conversation gets this long: a scheduler that takes the
// connection and never answers must not hold the window for minutes.
constexpr std::chrono::seconds PrintTimeout{10};
using Deadline = std::chrono::steady_clock::time_point;

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

struct HttpOwner {
    http_t* http;
    ~HttpOwner() { httpClose(http); }
};

struct IppOwner {
    ipp_t* ipp;
    ~IppOwner() { ippDelete(ipp); }
};

// libcups calls this whenever the connection has been silent for a tenth of
// a second: the windows are kept drawn, and past the deadline the wait (and
// with it the request) is given up.
int KeepWaiting(http_t*, void* deadline)
{
    DoPaintEvents();
    return std::chrono::steady_clock::now() < *static_cast<const Deadline*>(deadline) ? 1 : 0;
}

// The connection to the print system that the settings name (server, port,
// encryption), opened within what is left of the deadline.
http_t* Connect(const Deadline& deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                std::max<int>(1, static_cast<int>(left.count())), nullptr);
    if (!http) Fail(std::string("cannot reach the print system ") + cupsServer() + ": " + CupsError());
    httpSetTimeout(http, 0.1, KeepWaiting, const_cast<Deadline*>(&deadline));
    return http;
}

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

// The paper the user chose for this printer (lpoptions), else the printer's
// own default when the print system tells it, else A4.
QPageSize PaperOf(http_t* http, const cups_dest_t& dest)
{
    const char* media = cupsGetOption("media", dest.num_options, dest.options);
    const char* uri = cupsGetOption("printer-uri-supported", dest.num_options, dest.options);
    IppOwner answer{nullptr};
    if (!media && uri) {
        ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "media-default");
        answer.ipp = cupsDoRequest(http, request, "/");
        media = ippGetString(ippFindAttribute(answer.ipp, "media-default", IPP_TAG_ZERO), 0, nullptr);
    }
    pwg_media_t* size = nullptr;
    if (media && !(size = pwgMediaForPWG(media)) && !(size = pwgMediaForLegacy(media))) size = pwgMediaForPPD(media);
    if (!size || size->width <= 0 || size->length <= 0) return QPageSize(QPageSize::A4);
    return QPageSize(QSizeF(size->width / 100.0, size->length / 100.0), QPageSize::Millimeter);
}

// One page: the image as large as fits within 10 mm margins, proportions
// kept, centred across the top. Made in memory, so its length is known.
QByteArray PageDocument(const QImage& image, const QPageSize& paper, const QString& title)
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
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
    out.close();
    return bytes;
}

} // namespace

void PrintFormImage(const Form& form)
{
    const Deadline deadline = std::chrono::steady_clock::now() + PrintTimeout;
    // Settings of the print system (server, default printer) are read afresh
    // for every job, as the user may change them while the program runs.
    cupsSetServer(nullptr);
    const HttpOwner http{Connect(deadline)};
    DestOwner printer{cupsGetNamedDest(http.http, nullptr, nullptr)};
    if (!printer.dest) Fail("no default printer: " + CupsError());
    const QString title = Q(form.Caption());
    const QByteArray page = PageDocument(WindowImage(form), PaperOf(http.http, *printer.dest), title);

    // The whole page reaches the file, or nothing is sent: a full temporary
    // folder would otherwise give the printer a document cut short.
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/kvprint-XXXXXX.pdf"));
    if (!file.open()) Fail("cannot create the page file: " + S(file.errorString()));
    if (file.write(page) != page.size() || !file.flush() || file.size() != page.size())
        Fail("cannot write the page file " + S(file.fileName()) + ": " + S(file.errorString()));

    // The options the user saved for this printer (lpoptions) go with the job.
    const int job = cupsPrintFile2(http.http, printer.dest->name, file.fileName().toLocal8Bit().constData(),
                                   title.toLocal8Bit().constData(), printer.dest->num_options, printer.dest->options);
    if (job <= 0) Fail(std::string("the printer ") + printer.dest->name + " refused the job: " + CupsError());
}

} // namespace kv
