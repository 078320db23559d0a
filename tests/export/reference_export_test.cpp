#include "export_fixture.h"
#include "reference_export.h"

#include <QDate>

#include <random>

namespace {

// Entry files with everything that makes a diary hard to export: days out
// of order and more than once, stray lines, empty lines, end lines missing
// or out of place, header lines that are no date, dates with a time of day,
// and body lines that start with the header mark, with and without a date.
class DiaryGenerator
{
public:
    DiaryGenerator(const DateSettings& dates, unsigned seed) : m_dates(dates), m_random(seed) {}

    QByteArray diary()
    {
        QByteArray file;
        const int items = pick(0, 14);
        for (int i = 0; i < items; ++i) {
            if (chance(4)) {
                file += strayLine() + lineEnd();
                continue;
            }
            file += headerLine() + lineEnd();
            for (int l = pick(0, 4); l > 0; --l)
                file += bodyLine() + lineEnd();
            if (!chance(8))
                file += "!*!" + lineEnd();
        }
        // Now and then the last line lacks its line end.
        if (file.endsWith("\r\n") && chance(6))
            file.chop(2);
        return file;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    bool chance(int oneIn) { return pick(1, oneIn) == 1; }

    // Few days, so that they repeat.
    QDate day() { return QDate(2003, 12, 1).addDays(pick(-40, 40) * pick(0, 1) + pick(0, 6)); }

    QByteArray dateText()
    {
        const QDate d = day();
        switch (pick(0, 9)) {
        case 0: return m_dates.longText(d).toUtf8();
        case 1: return d.toString(Qt::ISODate).toLatin1();
        case 2: return m_dates.headerText(d).toUtf8() + " 10:30";
        case 3: return "not a date";
        case 4: return "";
        default: return m_dates.headerText(d).toUtf8();
        }
    }

    QByteArray headerLine() { return "*!*" + dateText(); }

    QByteArray bodyLine()
    {
        switch (pick(0, 9)) {
        case 0: return "";
        case 1: return headerLine();
        case 2: return "caf\xe9 au lait";
        case 3: return "a\nb";
        case 4: return chance(2) ? "!*! " : QByteArray("\xE2\x80\x8B").repeated(pick(1, 2)) + (chance(2) ? "!*!" : headerLine());
        default: return "words " + QByteArray::number(pick(0, 999));
        }
    }

    QByteArray strayLine()
    {
        switch (pick(0, 3)) {
        case 0: return "";
        case 1: return "!*!";
        case 2: return " *!*" + dateText();
        default: return "stray";
        }
    }

    QByteArray lineEnd() { return chance(10) ? "\r" : "\r\n"; }

    const DateSettings& m_dates;
    std::mt19937 m_random;
};

class ReferenceExportTest : public ExportTest
{
protected:
    ReferenceExportTest() : ExportTest(QLocale(QLocale::English, QLocale::UnitedKingdom), true) {}
};

TEST_F(ReferenceExportTest, OnePassAgreesWithTheDayByDayScansOnGeneratedDiaries)
{
    const QString entryPath = inFolder("ojwdata.txt");
    DiaryGenerator generator(dates, 8);
    int days = 0;
    for (int i = 0; i < 300; ++i) {
        const QByteArray file = generator.diary();
        putDiary(file);
        const int style = 1 + i % 2;
        const QByteArray expected = ReferenceExport(entryPath, dates, style).run();
        ASSERT_EQ(exported(style), expected) << "diary " << i << ":\n" << ::testing::PrintToString(file);
        days += expected.count("----------\r\n");
    }
    // The generated diaries hold many days, not just empty exports.
    EXPECT_GT(days, 600);
}

} // namespace
