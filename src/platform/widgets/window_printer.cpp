#include "platform/widgets/window_printer.h"

#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

std::optional<QString> printOnePage(QPrinter& printer, const QImage& image, const QString& documentName)
{
    printer.setDocName(documentName);
    printer.setFullPage(false);
    QPainter painter;
    if (!painter.begin(&printer))
        return QStringLiteral("The printer \"%1\" could not be started.").arg(printer.printerName());
    // Device pixels of the printable area; the image keeps its proportions.
    const QRect page = painter.viewport();
    const QSize fitted = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    const QRect target(page.x() + (page.width() - fitted.width()) / 2, page.y(), fitted.width(),
                       fitted.height());
    painter.drawImage(target, image);
    if (!painter.end())
        return QStringLiteral("The page could not be sent to the printer \"%1\".").arg(printer.printerName());
    return std::nullopt;
}

} // namespace

std::optional<QString> DefaultPrinter::print(const QImage& image, const QString& documentName)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return QStringLiteral("There is no default printer, so the window cannot be printed.\n\n"
                              "Install a printer, make it the default printer and print again.");
    QPrinter printer(info, QPrinter::HighResolution);
    return printOnePage(printer, image, documentName);
}

std::optional<QString> PdfPrinter::print(const QImage& image, const QString& documentName)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_fileName);
    return printOnePage(printer, image, documentName);
}
