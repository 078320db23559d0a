#include "store/entry_lines.h"

#include "platform/core/date_settings.h"
#include "files/text_codec.h"

#include <cstring>

namespace EntryLines {

void appendEscapedBody(QByteArrayView text, QByteArray& out)
{
    qsizetype start = 0;
    for (;;) {
        const auto* cr = static_cast<const char*>(
            std::memchr(text.data() + start, '\r', size_t(text.size() - start)));
        const qsizetype end = cr ? cr - text.data() : text.size();
        const QByteArrayView line = text.sliced(start, end - start);
        if (needsEscape(line))
            out.append(markEscape);
        out.append(line);
        if (!cr)
            return;
        // The line's own end goes in as it stands: CR LF or a lone CR.
        start = end + 1;
        if (start < text.size() && text[start] == '\n')
            ++start;
        out.append(text.sliced(end, start - end));
    }
}

QByteArray entryBytes(const DateSettings& dates, const QDate& day, QStringView text)
{
    const QByteArray header = TextCodec::encode(dates.headerText(day));
    const QByteArray body = TextCodec::encode(text);
    QByteArray bytes;
    // Room for the marks, three line ends and an escape or two.
    bytes.reserve(headerMark.size() + header.size() + body.size() + endLine.size() + 16);
    bytes.append(headerMark).append(header).append("\r\n");
    appendEscapedBody(body, bytes);
    bytes.append("\r\n");
    bytes.append(endLine).append("\r\n");
    return bytes;
}

void appendBodyText(QByteArrayView line, QString& out)
{
    TextCodec::append(unescapedBody(line), out);
}

} // namespace EntryLines

DayHeaderMatcher::DayHeaderMatcher(const DateSettings& dates, const QDate& day)
    : m_reader(dates, DateSettings::Precision::Exact), m_day(day)
{
}

bool DayHeaderMatcher::matches(QByteArrayView line)
{
    if (!EntryLines::isHeader(line))
        return false;
    const std::optional<QDate> date = m_reader.read(line.sliced(EntryLines::headerMark.size()));
    return date && *date == m_day;
}
