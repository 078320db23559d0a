#include "store/entry_lines.h"

#include "platform/core/date_settings.h"
#include "store/text_codec.h"

DayHeaderMatcher::DayHeaderMatcher(const DateSettings& dates, const QDate& day)
    : m_dates(dates), m_day(day)
{
    m_dateText.reserve(64);
}

bool DayHeaderMatcher::matches(QByteArrayView line)
{
    if (!EntryLines::isHeader(line))
        return false;
    TextCodec::decode(line.sliced(EntryLines::headerMark.size()), m_dateText);
    const std::optional<QDate> date = m_dates.read(m_dateText, DateSettings::Precision::Exact);
    return date && *date == m_day;
}
