#pragma once

#include "platform/core/date_settings.h"
#include "store/entry_lines.h"
#include "files/line_reader.h"
#include "files/posix_io.h"
#include "files/text_codec.h"

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <optional>

// Export All done the slow, literal way: a scan for the earliest day, then
// for every day a scan for the next one and a pass that copies the day's
// first entry, so the entry file is read 2k + 1 times for k days. It holds
// nothing but two date texts and a flag. Like the real export, a header
// whose text is not a date is a line outside any entry, and the end of the
// file ends a body that has no end line. Kept to check the one-pass export
// against, and to time it.
class ReferenceExport
{
public:
    ReferenceExport(const QString& entryPath, const DateSettings& dates, int dateStyle)
        : m_path(QFile::encodeName(entryPath)), m_dates(dates), m_style(dateStyle)
    {
    }

    QByteArray run()
    {
        QByteArray out;
        QString current;
        QString next;
        // First scan: the earliest day.
        scan([&](const QString& d, const QDate& day) {
            if (current.isEmpty())
                current = d;
            if (day < dayOf(current))
                current = d;
        });
        while (!current.isEmpty()) {
            const QDate currentDay = dayOf(current);
            // Successor scan: the earliest day after the current one.
            scan([&](const QString& d, const QDate& day) {
                if (next.isEmpty() && day > currentDay)
                    next = d;
                if (!next.isEmpty() && day > currentDay && day < dayOf(next))
                    next = d;
            });
            copyDay(currentDay, out);
            current = next;
            next.clear();
        }
        return out;
    }

private:
    // Calls back with every header line's date text and its day; a header
    // whose text is not a date is passed over.
    template<typename Visit>
    void scan(Visit visit)
    {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        PosixIo::UniqueFd file(fd);
        LineReader reader(fd);
        QByteArrayView line;
        while (reader.next(line)) {
            if (!EntryLines::isHeader(line))
                continue;
            const QString d = TextCodec::decode(line.sliced(EntryLines::headerMark.size()));
            if (const std::optional<QDate> day = m_dates.read(d, DateSettings::Precision::DayOnly))
                visit(d, *day);
        }
    }

    // Copy pass: the first header of the day in file order, then its body.
    void copyDay(const QDate& day, QByteArray& out)
    {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        PosixIo::UniqueFd file(fd);
        LineReader reader(fd);
        QByteArrayView line;
        bool found = false;
        while (!found && reader.next(line)) {
            if (!EntryLines::isHeader(line)
                || m_dates.read(TextCodec::decode(line.sliced(EntryLines::headerMark.size())),
                                DateSettings::Precision::DayOnly)
                       != day)
                continue;
            found = true;
            out += TextCodec::encode(m_dates.text(day, m_style)) + "\r\n";
            out += "----------\r\n";
            while (reader.next(line) && !EntryLines::isEnd(line))
                out.append(EntryLines::unescapedBody(line)).append("\r\n");
            out += "\r\n\r\n";
        }
    }

    QDate dayOf(const QString& d) const
    {
        return m_dates.read(d, DateSettings::Precision::DayOnly).value_or(QDate());
    }

    QByteArray m_path;
    const DateSettings& m_dates;
    int m_style;
};
