#include "program_fixture.h"

#include "platform/widgets/window_printer.h"

#include <QAction>
#include <QPrinterInfo>
#include <QRegularExpression>

namespace {

class PrintTest : public ProgramTest
{
protected:
    QString pdf() const { return path("printed.pdf"); }
    PdfPrinter printer{pdf()};

    void startPrintingToPdf()
    {
        program = std::make_unique<Program>(dir.path(), QLocale(QLocale::English, QLocale::UnitedStates),
                                             PlatformServices{.clock = &clock, .messages = &messages, .printer = &printer});
        program->start();
        settle();
    }
};

} // namespace

TEST_F(PrintTest, PrintPutsTheClientAreaOnOnePage)
{
    writeEntries(QByteArray(todayHeader) + "printed text\r\n!*!\r\n");
    startPrintingToPdf();
    main().mnuPadPrint->trigger();
    EXPECT_TRUE(messages.shown().isEmpty());

    QFile file(pdf());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString bytes = QString::fromLatin1(file.readAll());
    EXPECT_EQ(bytes.count(QRegularExpression("/Type\\s*/Page\\b")), 1);
    // One image, the client area at its size on the screen.
    const QSize client = main().centralWidget()->size();
    const QRegularExpression image(
        QStringLiteral("/Subtype\\s*/Image.*?/Width\\s+%1\\s*/Height\\s+%2").arg(client.width()).arg(client.height()),
        QRegularExpression::DotMatchesEverythingOption);
    EXPECT_TRUE(bytes.contains(image));
    EXPECT_EQ(pad(), "printed text");
}

TEST_F(PrintTest, WithoutADefaultPrinterTheUserIsTold)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "this machine has a default printer";
    start(); // the real default printer
    main().mnuPadPrint->trigger();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown().first().text.contains("no default printer"));
    EXPECT_TRUE(main().isVisible());
}
