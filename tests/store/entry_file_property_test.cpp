#include "store/entry_file.h"

#include "store_fixture.h"

#include <QList>

#include <random>

// Generated diaries: a save must change exactly the lines of the chosen
// day's entries and keep every other byte, and a load after the save must
// give the text back. The expected results come from a plain model of the
// diary as a list of entries and stray lines, not from the code under test.
namespace {

struct BodyLine
{
    QByteArray bytes;
    QString text; // what the line reads as
};

struct Item
{
    bool isEntry = false;
    QByteArray line;    // a stray line, or an entry's header line
    QDate day;          // an entry's day
    QList<BodyLine> body;
    bool ended = true;  // whether the entry's end line is there
};

class Generator
{
public:
    Generator(const DateSettings& dates, unsigned seed) : m_dates(dates), m_random(seed) {}

    int below(int n) { return int(m_random() % unsigned(n)); }
    bool chance(int percent) { return below(100) < percent; }

    QDate day() { return QDate(2026, 7, 10).addDays(below(6)); }

    // A line of text that is never an end line and never starts like a
    // header, nor with LF (which would join a lone CR before it into CR LF).
    // Lines with stray Windows-1252 bytes mix them with UTF-8 sequences; no
    // two pieces join into a sequence, so each piece reads as its own text.
    BodyLine textLine(bool mayBeWindows1252)
    {
        static const char* const utf8Pieces[] = {"a", "Bb", " ", "diary", "42", "*", "!", "-",
                                                 "\xC3\xA9", "\xE2\x82\xAC", "\xE6\x97\xA5",
                                                 "\xF0\x9F\x98\x80", "\n"};
        static const char* const latinPieces[] = {"a", "b ", "!", "*", "\xE9", "\xC3\xA9", "\n", "\x80"};
        const bool windows1252 = mayBeWindows1252 && chance(20);
        QByteArray bytes;
        QString text;
        const auto add = [&](const QByteArray& piece, const QString& pieceText) {
            bytes += piece;
            text += pieceText;
        };
        const int pieces = below(6);
        for (int i = 0; i < pieces; ++i) {
            if (windows1252) {
                const QByteArray piece = latinPieces[below(std::size(latinPieces))];
                add(piece, piece == "\xE9" ? u"\u00E9"_qs : piece == "\x80" ? u"\u20AC"_qs
                                                                           : QString::fromUtf8(piece));
            } else {
                const QByteArray piece = utf8Pieces[below(std::size(utf8Pieces))];
                add(piece, QString::fromUtf8(piece));
            }
        }
        if (windows1252)
            add("\xE9", u"\u00E9"_qs); // a lead byte at the end: never valid UTF-8
        if (bytes.startsWith('\n') || bytes.startsWith("*!*") || bytes == "!*!")
            {
                bytes.prepend('x');
                text.prepend(u'x');
            }
        return {bytes, text};
    }

    QByteArray strayLine()
    {
        switch (below(9)) {
        case 0: return "";
        case 1: return "*!*hello";
        case 2: return "*!*";
        case 3: return "!*!";
        case 4: return "!*! ";
        case 5: return " *!*" + m_dates.headerText(day()).toUtf8();
        case 6: return "*!*" + m_dates.headerText(day()).toUtf8() + " 10:30";
        default: return textLine(true).bytes;
        }
    }

    QList<Item> diary()
    {
        QList<Item> items;
        const int count = below(10);
        for (int i = 0; i < count; ++i) {
            Item item;
            if (chance(30)) {
                item.line = strayLine();
            } else {
                item.isEntry = true;
                item.day = day();
                // Old files may hold headers in other formats the parser reads.
                const QString dateText = chance(80) ? m_dates.headerText(item.day)
                                                    : item.day.toString(Qt::ISODate);
                item.line = "*!*" + dateText.toUtf8();
                const int lines = 1 + below(4);
                for (int j = 0; j < lines; ++j)
                    item.body.append(textLine(true));
                item.ended = i + 1 < count || chance(90);
            }
            items.append(item);
        }
        return items;
    }

    // The file's bytes: CR LF or lone CR after each line, the last line
    // sometimes without a terminator. ends gets each line's terminator.
    QByteArray fileOf(const QList<Item>& items, QList<QByteArray>& ends)
    {
        QList<QByteArray> lines;
        for (const Item& item : items) {
            lines.append(item.line);
            for (const BodyLine& line : item.body)
                lines.append(line.bytes);
            if (item.isEntry && item.ended)
                lines.append("!*!");
        }
        QByteArray bytes;
        ends.clear();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            bytes += lines[i];
            const bool last = i + 1 == lines.size();
            ends.append(last && !lines[i].isEmpty() && chance(30) ? "" : chance(70) ? "\r\n" : "\r");
            // Files without any CR read with LF line ends: a case of its own.
            if (last && !bytes.contains('\r'))
                ends.last() = "\r\n";
            bytes += ends.last();
        }
        return bytes;
    }

    // A pad text: lines joined by CR LF, without lone CRs.
    QString padText()
    {
        QStringList lines;
        const int count = 1 + below(4);
        for (int i = 0; i < count; ++i) {
            switch (below(10)) {
            case 0: lines.append(QString()); break;
            // Lines a reader would take for a mark, and one that only would
            // behind the zero width space the writer escapes marks with.
            case 1: lines.append(u"!*!"_qs); break;
            case 2: lines.append(u"*!*"_qs + m_dates.headerText(day())); break;
            case 3: lines.append(u"\u200B!*!"_qs); break;
            default: lines.append(textLine(false).text);
            }
        }
        return lines.join(u"\r\n");
    }

private:
    const DateSettings& m_dates;
    std::mt19937 m_random;
};

QByteArray entryBytes(const QByteArray& header, const QList<QByteArray>& body, bool ended)
{
    QByteArray bytes = header + "\r\n";
    for (const QByteArray& line : body)
        bytes += line + "\r\n";
    if (ended)
        bytes += "!*!\r\n";
    return bytes;
}

// The pad's lines as the writer stores them: one U+200B in front of each
// line that is, behind any U+200B of its own, "!*!" or starts with "*!*".
QList<QByteArray> escapedLines(const QString& text)
{
    QList<QByteArray> lines;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        QString rest = line;
        while (rest.startsWith(u'\u200B'))
            rest.remove(0, 1);
        const bool mark = rest == u"!*!" || rest.startsWith(u"*!*");
        lines.append(((mark ? u"\u200B"_qs : QString()) + line).toUtf8());
    }
    return lines;
}

QString expectedLoad(const QList<Item>& items, const QDate& day)
{
    QString text;
    bool anyBefore = false;
    for (const Item& item : items) {
        if (!item.isEntry || item.day != day)
            continue;
        // A second entry of the day goes on after a line break.
        for (qsizetype i = 0; i < item.body.size(); ++i)
            text += (text.isEmpty() && i == 0 && !anyBefore ? "" : "\r\n") + item.body[i].text;
        anyBefore = anyBefore || !item.body.isEmpty();
    }
    return text;
}

// Every line but the day's entries keeps its bytes, its terminator included.
QByteArray expectedSave(const QList<Item>& items, const QList<QByteArray>& ends, const QByteArray& newEntry,
                        const QDate& day)
{
    QByteArray bytes;
    bool replaced = false;
    qsizetype line = 0;
    const auto copy = [&](const QByteArray& text) {
        bytes += text + ends[line++];
    };
    for (const Item& item : items) {
        if (!item.isEntry) {
            copy(item.line);
        } else if (item.day == day) {
            if (!replaced)
                bytes += newEntry;
            replaced = true;
            line += 1 + item.body.size() + (item.ended ? 1 : 0);
        } else {
            copy(item.line);
            for (const BodyLine& body : item.body)
                copy(body.bytes);
            if (item.ended)
                copy("!*!");
        }
    }
    if (replaced || newEntry.isEmpty())
        return bytes;
    // An entry left open at the end gets its end line before a new one. A
    // stray header with a time of day opens one too: Export All reads it.
    bool open = false;
    for (const Item& item : items) {
        if (item.isEntry)
            open = !item.ended;
        else if (item.line == "!*!")
            open = false;
        else if (item.line.startsWith("*!*"))
            open = item.line.endsWith(" 10:30");
    }
    if (!ends.isEmpty() && ends.last().isEmpty())
        bytes += "\r\n";
    if (open)
        bytes += "!*!\r\n";
    return bytes + newEntry;
}

class EntryFileProperties : public EntryFileTest
{
};

} // namespace

TEST_F(EntryFileProperties, SaveRewritesOnlyTheDaysEntries)
{
    Generator generate(dates, 7122026);
    for (int round = 0; round < 300; ++round) {
        const QList<Item> items = generate.diary();
        QList<QByteArray> ends;
        const QByteArray file = generate.fileOf(items, ends);
        put(file);
        const QDate day = generate.day();
        SCOPED_TRACE(::testing::Message() << "round " << round << ", day "
                                          << day.toString(Qt::ISODate).toStdString() << ", file "
                                          << file.toPercentEncoding(" *!/").toStdString());

        ASSERT_EQ(loaded(day), expectedLoad(items, day));

        const bool remove = generate.chance(20);
        const QString text = remove && generate.chance(50) ? QString() : generate.padText();
        ASSERT_NO_FATAL_FAILURE(save(day, text, remove));

        const bool removed = remove || text.isEmpty();
        const QByteArray newEntry =
            removed ? QByteArray()
                    : entryBytes("*!*" + dates.headerText(day).toUtf8(), escapedLines(text), true);
        ASSERT_EQ(onDisk(), expectedSave(items, ends, newEntry, day));
        ASSERT_EQ(loaded(day), removed ? QString() : text);
        ASSERT_FALSE(exists(tempPath()));
    }
}
