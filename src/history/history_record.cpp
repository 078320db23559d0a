#include "history/history_record.h"

#include "files/line_reader.h"
#include "files/text_codec.h"
#include "store/entry_lines.h"

#include <array>

namespace {

constexpr QByteArrayView headerStart("*!*v1 ");
constexpr qsizetype dayLength = 10; // yyyy-MM-dd

struct ChangeName
{
    DayRecorder::Change change;
    QByteArrayView name;
};

constexpr std::array changeNames{
    ChangeName{DayRecorder::Change::Saved, "saved"},     ChangeName{DayRecorder::Change::Cleared, "cleared"},
    ChangeName{DayRecorder::Change::Emptied, "emptied"}, ChangeName{DayRecorder::Change::Erased, "erased"},
    ChangeName{DayRecorder::Change::Merged, "merged"},   ChangeName{DayRecorder::Change::Restored, "restored"},
};

// FNV-1a over each line's bytes and a line feed: cheap, and enough to tell
// a torn or damaged record from a whole one.
class Checksum
{
public:
    void addLine(QByteArrayView line)
    {
        for (const char c : line)
            step(uchar(c));
        step('\n');
    }
    QByteArray hex() const { return QByteArray::number(m_value, 16).rightJustified(16, '0'); }

private:
    void step(uchar c)
    {
        m_value ^= c;
        m_value *= 0x100000001b3ULL;
    }
    quint64 m_value = 0xcbf29ce484222325ULL;
};

// The text's lines, escaped, each ended by CR LF; none for an empty text.
void appendText(const QString& text, QByteArray& out, Checksum& sum)
{
    if (text.isEmpty())
        return;
    QByteArray escaped;
    EntryLines::appendEscapedBody(TextCodec::encode(text), escaped);
    qsizetype start = 0;
    for (;;) {
        const qsizetype cr = escaped.indexOf('\r', start);
        const qsizetype end = cr < 0 ? escaped.size() : cr;
        const QByteArrayView line = QByteArrayView(escaped).sliced(start, end - start);
        sum.addLine(line);
        out.append(line).append("\r\n");
        if (cr < 0)
            return;
        start = end + 1;
        if (start < escaped.size() && escaped[start] == '\n')
            ++start;
    }
}

} // namespace

namespace HistoryFormat {

QByteArrayView changeName(DayRecorder::Change change)
{
    for (const ChangeName& entry : changeNames) {
        if (entry.change == change)
            return entry.name;
    }
    return "saved";
}

std::optional<DayRecorder::Change> changeNamed(QByteArrayView name)
{
    for (const ChangeName& entry : changeNames) {
        if (entry.name == name)
            return entry.change;
    }
    return std::nullopt;
}

void append(const HistoryRecord& record, QByteArray& out)
{
    const QByteArray fields = record.day.toString(Qt::ISODate).toLatin1() + ' '
                              + record.at.toString(Qt::ISODateWithMs).toLatin1() + ' '
                              + changeName(record.change).toByteArray();
    Checksum sum;
    sum.addLine(fields);
    QByteArray body;
    appendText(record.before, body, sum);
    sum.addLine(EntryLines::endLine);
    body.append(EntryLines::endLine).append("\r\n");
    appendText(record.after, body, sum);
    out.append(headerStart)
        .append(fields)
        .append(' ')
        .append(sum.hex())
        .append("\r\n")
        .append(body)
        .append(EntryLines::endLine)
        .append("\r\n");
}

} // namespace HistoryFormat

void HistoryReader::onlyDay(const QDate& day)
{
    m_day = day.toString(Qt::ISODate).toLatin1();
}

bool HistoryReader::next(HistoryRecord& record)
{
    QByteArrayView header;
    for (;;) {
        QByteArray pending;
        if (!m_pending.isEmpty()) {
            pending = std::exchange(m_pending, QByteArray());
            header = pending;
        } else if (!m_lines.nextStartingWith(EntryLines::headerMark, header)) {
            return false;
        }
        if (!header.startsWith(headerStart) || header.size() < headerStart.size() + dayLength) {
            ++m_damaged;
            continue;
        }
        if (!m_day.isEmpty() && header.sliced(headerStart.size(), dayLength) != m_day)
            continue;
        // The header's view lasts only until the next line is read.
        const QByteArray kept = pending.isEmpty() ? header.toByteArray() : pending;
        if (readRecord(kept, record))
            return true;
        ++m_damaged;
    }
}

bool HistoryReader::readRecord(QByteArrayView header, HistoryRecord& record)
{
    const QList<QByteArray> fields = header.sliced(headerStart.size()).toByteArray().split(' ');
    if (fields.size() != 4)
        return false;
    const std::optional<DayRecorder::Change> change = HistoryFormat::changeNamed(fields[2]);
    record.day = QDate::fromString(QString::fromLatin1(fields[0]), Qt::ISODate);
    record.at = QDateTime::fromString(QString::fromLatin1(fields[1]), Qt::ISODateWithMs);
    // The day as written, not merely as Qt reads it: a reader of one day
    // looks for exactly these bytes.
    if (!change || !record.day.isValid() || record.day.toString(Qt::ISODate).toLatin1() != fields[0]
        || !record.at.isValid())
        return false;
    record.change = *change;

    Checksum sum;
    sum.addLine(fields[0] + ' ' + fields[1] + ' ' + fields[2]);
    QString* texts[] = {&record.before, &record.after};
    for (QString* text : texts) {
        text->clear();
        bool first = true;
        QByteArrayView line;
        for (;;) {
            if (!m_lines.next(line) || m_lines.lineTooLong())
                return false; // cut off at the end, or no line of ours
            if (EntryLines::isHeader(line)) {
                m_pending = line.toByteArray(); // cut off: the next record begins
                return false;
            }
            if (EntryLines::isEnd(line))
                break;
            sum.addLine(line);
            if (!first)
                text->append(u"\r\n");
            EntryLines::appendBodyText(line, *text);
            first = false;
        }
        if (text == texts[0])
            sum.addLine(EntryLines::endLine);
    }
    return sum.hex() == fields[3];
}
