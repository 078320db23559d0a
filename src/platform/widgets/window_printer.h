#pragma once

#include <QString>

#include <optional>

class QImage;

// Prints an image of a window on one page, scaled to fit the printable area
// and centred at its top. The program prints on the default printer; tests
// print into a PDF file.
class WindowPrinter
{
public:
    virtual ~WindowPrinter() = default;

    // No value when the page went to the printer; otherwise why not, in
    // words for the user.
    virtual std::optional<QString> print(const QImage& image, const QString& documentName) = 0;
};

// The system's default printer, without a dialog.
class DefaultPrinter final : public WindowPrinter
{
public:
    std::optional<QString> print(const QImage& image, const QString& documentName) override;
};

// A PDF file in place of a printer.
class PdfPrinter final : public WindowPrinter
{
public:
    explicit PdfPrinter(const QString& fileName) : m_fileName(fileName) {}
    std::optional<QString> print(const QImage& image, const QString& documentName) override;

private:
    QString m_fileName;
};
