#include "export_fixture.h"
#include "reference_export.h"

#include <QDate>

#include <random>

namespace {

// Entry files with everything that makes a diary hard to export: days out
// of order and more than once, stray lines, empty lines, end lines missing
// or out of place, headers that are no date or carry a time of day, body
// lines that start with the header mark, escaped marks, lone CRs and LFs.
class DiaryGenerator
{
public:
    DiaryGenerator(const DateSettings& dates, unsigned seed) : m_dates(dates), m_random(seed) {}

    QByteArray diary()
    {
        QByteArray file;
        for (int item = pick(0, 14); item > 0; --item) {
            if (pick(0, 3) == 0) {
                file += oneOf({"", "!*!", " " + header(), "stray"}) + lineEnd();
                continue;
            }
            file += header() + lineEnd();
            for (int l = pick(0, 4); l > 0; --l)
                file += bodyLine() + lineEnd();
            if (pick(0, 7) != 0)
                file += "!*!" + lineEnd();
        }
        if (file.endsWith("\r\n") && pick(0, 5) == 0)
            file.chop(2); // a last line without its line end
        return file;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    QByteArray oneOf(const QList<QByteArray>& choices) { return choices[pick(0, int(choices.size()) - 1)]; }
    QByteArray lineEnd() { return pick(0, 9) == 0 ? "\r" : "\r\n"; }

    QByteArray header()
    {
        // Few days, so that they repeat.
        const QDate d = QDate(2003, 12, 1).addDays(pick(-40, 40) * pick(0, 1) + pick(0, 6));
        const QByteArray text = m_dates.headerText(d).toUtf8();
        return "*!*" + oneOf({text, text, text, text + " 10:30", m_dates.longText(d).toUtf8(),
                              d.toString(Qt::ISODate).toLatin1(), "not a date", ""});
    }

    QByteArray bodyLine()
    {
        const QByteArray escape = QByteArray("\xE2\x80\x8B").repeated(pick(1, 2));
        return oneOf({"", header(), "caf\xe9 au lait", "a\nb", "!*! ", escape + "!*!", escape + header(),
                      "words " + QByteArray::number(pick(0, 999)), "more words"});
    }

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
    DiaryGenerator generator(dates, 8);
    int days = 0;
    for (int i = 0; i < 300; ++i) {
        const QByteArray file = generator.diary();
        putDiary(file);
        const int style = 1 + i % 2;
        const QByteArray expected = ReferenceExport(inFolder("ojwdata.txt"), dates, style).run();
        ASSERT_EQ(exported(style), expected) << "diary " << i << ":\n" << ::testing::PrintToString(file);
        days += expected.count("----------\r\n");
    }
    // The generated diaries hold many days, not just empty exports.
    EXPECT_GT(days, 600);
}

} // namespace
