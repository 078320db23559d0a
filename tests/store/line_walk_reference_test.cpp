#include "store/entry_file.h"
#include "store/entry_lines.h"
#include "store/entry_scan.h"
#include "store/header_date_reader.h"
#include "files/line_reader.h"
#include "files/text_codec.h"

#include "store_fixture.h"

#include <QList>

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <random>
#include <unistd.h>

// Loading a day and the scans pass over the lines between headers unread.
// The reference here walks every line with next(), as they once did: every
// file must read the same both ways.
namespace {

const QDate firstDay(2026, 7, 10);
constexpr int dayCount = 4;

class LineWalkReference : public EntryFileTest
{
protected:
    // The day's text as a walk over every line reads it.
    QString walkedLoad(const QDate& day) const
    {
        const int fd = ::open(QFile::encodeName(dataPath()).constData(), O_RDONLY);
        EXPECT_GE(fd, 0);
        LineReader reader(fd);
        DayHeaderMatcher matcher(dates, day);
        QString text;
        bool any = false;
        QByteArrayView line;
        while (reader.next(line)) {
            if (!matcher.matches(line))
                continue;
            while (reader.next(line) && !EntryLines::isEnd(line)) {
                if (any)
                    text += u"\r\n";
                TextCodec::append(EntryLines::unescapedBody(line), text);
                any = true;
            }
        }
        ::close(fd);
        return text;
    }

    // The days of every line that starts with the mark, walking every line.
    QList<QDate> walkedDays() const
    {
        const int fd = ::open(QFile::encodeName(dataPath()).constData(), O_RDONLY);
        EXPECT_GE(fd, 0);
        LineReader reader(fd);
        HeaderDateReader headerDates(dates, DateSettings::Precision::DayOnly);
        QList<QDate> days;
        QByteArrayView line;
        while (reader.next(line)) {
            if (!EntryLines::isHeader(line))
                continue;
            if (const auto day = headerDates.read(line.sliced(EntryLines::headerMark.size())))
                days.append(*day);
        }
        ::close(fd);
        return days;
    }

    // Puts the file and checks every day's load, the bold days of a grid
    // that holds every day the file may name, and the earliest and latest.
    void expectReadAsWalked(const QByteArray& file)
    {
        put(file);
        SCOPED_TRACE("file " + file.left(300).toPercentEncoding(" *!/").toStdString());
        for (int i = -1; i <= dayCount; ++i)
            EXPECT_EQ(loaded(firstDay.addDays(i)), walkedLoad(firstDay.addDays(i)));

        const QList<QDate> days = walkedDays();
        const QDate gridStart = firstDay.addDays(-10);
        std::array<bool, EntryScan::gridDays> flags{};
        ASSERT_FALSE(scan.markDays(gridStart, flags));
        for (int i = 0; i < EntryScan::gridDays; ++i)
            EXPECT_EQ(flags[size_t(i)], days.contains(gridStart.addDays(i))) << "grid day " << i;

        std::optional<QDate> earliest;
        std::optional<QDate> latest;
        ASSERT_FALSE(scan.find(EntryScan::Target::Earliest, firstDay, earliest));
        ASSERT_FALSE(scan.find(EntryScan::Target::Latest, firstDay, latest));
        const auto [least, most] = std::minmax_element(days.begin(), days.end());
        EXPECT_EQ(earliest, days.isEmpty() ? std::nullopt : std::optional(*least));
        EXPECT_EQ(latest, days.isEmpty() ? std::nullopt : std::optional(*most));
    }

    QByteArray header(int day) const { return "*!*" + dates.headerText(firstDay.addDays(day)).toUtf8(); }

    EntryScan scan{folder.path(), dates};
};

// A stray line of x that puts the bytes after it at offset (the size of
// the reader's first read) - back.
QByteArray fillerBefore(qsizetype back)
{
    return QByteArray(LineReader::defaultBufferSize - back - 2, 'x') + "\r\n";
}

} // namespace

TEST_F(LineWalkReference, FilesAtTheEdgesOfTheLineRules)
{
    const QByteArray entries = header(1) + "\r\n" + header(2) + " is body text here\r\n!*!\r\n"
                               + header(2) + "\r\ntwo\r\n!*!\r\n" + header(3) + "\r\nno end line";
    expectReadAsWalked("");
    expectReadAsWalked(entries);
    expectReadAsWalked("\xEF\xBB\xBF" + entries);
    expectReadAsWalked(QByteArray(entries).replace("\r\n", "\n"));
    expectReadAsWalked(QByteArray(entries).replace("\r\n", "\r"));
    // A mark after a lone LF in a file of CR LF lines starts no line.
    expectReadAsWalked(header(1) + "\r\nx\n" + header(2) + "\r\n!*!\r\n" + header(3) + "\r\n!*!\r\n");
    // The mark, a CR LF or a lone CR split by the end of the first read.
    for (qsizetype back = 1; back <= 3; ++back)
        expectReadAsWalked(fillerBefore(back) + entries);
    expectReadAsWalked(QByteArray(LineReader::defaultBufferSize - 1, 'x') + "\r\n" + entries);
    expectReadAsWalked(QByteArray(LineReader::defaultBufferSize - 1, 'x') + "\r" + entries);

    // The body line that starts with the mark is the first day's text.
    put(entries);
    EXPECT_EQ(loaded(firstDay.addDays(1)), QString::fromUtf8(header(2) + " is body text here"));
}

TEST_F(LineWalkReference, GeneratedFilesReadAsTheLineWalkReadsThem)
{
    std::mt19937 random(7122026);
    const auto below = [&](int n) { return int(random() % unsigned(n)); };
    for (int round = 0; round < 200; ++round) {
        const bool lfOnly = below(4) == 0;
        QList<QByteArray> lines;
        // Half the files put the end of the first read among their lines.
        if (below(2))
            lines.append(QByteArray(LineReader::defaultBufferSize - 2 - below(80), 'x'));
        for (int n = below(16); n > 0; --n) {
            switch (below(9)) {
            case 0: case 1: lines.append(header(below(dayCount))); break;
            case 2: lines.append(header(below(dayCount)) + " 10:30"); break;
            case 3: lines.append("*!*" + firstDay.addDays(below(dayCount)).toString(Qt::ISODate).toUtf8()); break;
            case 4: lines.append("!*!"); break;
            case 5: lines.append(below(2) ? "*!*" : "*!*not a day"); break;
            case 6: lines.append(""); break;
            case 7: lines.append(lfOnly ? "a *!* b" : "x\n" + header(below(dayCount))); break;
            default: lines.append("some text, a star * and !"); break;
            }
        }
        QByteArray file = below(6) == 0 ? "\xEF\xBB\xBF" : "";
        for (qsizetype i = 0; i < lines.size(); ++i) {
            file += lines[i];
            if (i + 1 < lines.size() || below(3))
                file += lfOnly ? "\n" : below(3) ? "\r\n" : "\r";
        }
        ASSERT_NO_FATAL_FAILURE(expectReadAsWalked(file)) << "round " << round;
    }
}
