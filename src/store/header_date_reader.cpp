#include "store/header_date_reader.h"

#include "store/text_codec.h"

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

HeaderDateReader::HeaderDateReader(const DateSettings& dates, DateSettings::Precision precision)
    : m_dates(dates), m_precision(precision)
{
    m_text.reserve(64);
    m_fast = learn();
}

std::optional<QDate> HeaderDateReader::read(QByteArrayView dateText)
{
    if (m_fast) {
        if (const std::optional<QDate> day = readWritten(dateText))
            return day;
    }
    TextCodec::decode(dateText, m_text);
    return m_dates.read(m_text, m_precision);
}

// The header format's shape, from what it writes for a day whose fields
// tell apart (22 November 2003), and whether it pads day and month, from a
// day where padding shows (2 January 2003).
bool HeaderDateReader::learn()
{
    const QString probe = m_dates.headerText(QDate(2003, 11, 22));
    QByteArray bytes;
    for (const QChar c : probe) {
        if (c.unicode() > 0x7F)
            return false; // names, other digits, marks: the long way
        bytes.append(char(c.unicode()));
    }
    bool seen[4] = {};
    qsizetype i = 0;
    while (i < bytes.size()) {
        if (m_itemCount == int(std::size(m_items)))
            return false;
        Item& item = m_items[m_itemCount];
        qsizetype end = i;
        if (isDigit(bytes[i])) {
            while (end < bytes.size() && isDigit(bytes[end]))
                ++end;
            const QByteArrayView digits = QByteArrayView(bytes).sliced(i, end - i);
            item.kind = digits == "2003" ? Kind::Year
                      : digits == "11"   ? Kind::Month
                      : digits == "22"   ? Kind::Day
                                         : Kind::Literal;
            // Two fields side by side could not be told apart unpadded.
            if (item.kind == Kind::Literal || seen[int(item.kind)]
                || (m_itemCount > 0 && m_items[m_itemCount - 1].kind != Kind::Literal))
                return false;
            seen[int(item.kind)] = true;
        } else {
            while (end < bytes.size() && !isDigit(bytes[end]))
                ++end;
            item.kind = Kind::Literal;
            item.start = m_literals.size();
            item.length = end - i;
            m_literals.append(bytes.sliced(i, end - i));
        }
        ++m_itemCount;
        i = end;
    }
    if (!seen[int(Kind::Day)] || !seen[int(Kind::Month)] || !seen[int(Kind::Year)])
        return false;

    const QDate padProbe(2003, 1, 2);
    const QByteArray padText = m_dates.headerText(padProbe).toLatin1();
    for (const bool dayPadded : {false, true}) {
        for (const bool monthPadded : {false, true}) {
            for (int k = 0; k < m_itemCount; ++k) {
                if (m_items[k].kind == Kind::Day)
                    m_items[k].padded = dayPadded;
                else if (m_items[k].kind == Kind::Month)
                    m_items[k].padded = monthPadded;
            }
            if (renders(padProbe, padText) && renders(QDate(2003, 11, 22), bytes))
                return true;
        }
    }
    return false;
}

bool HeaderDateReader::renders(const QDate& date, QByteArrayView text) const
{
    char out[64];
    qsizetype n = 0;
    const auto put = [&](int value, int width) {
        char digits[4];
        int count = 0;
        do {
            digits[count++] = char('0' + value % 10);
            value /= 10;
        } while (value > 0 && count < 4);
        while (count < width)
            digits[count++] = '0';
        while (count > 0 && n < qsizetype(sizeof out))
            out[n++] = digits[--count];
    };
    for (int k = 0; k < m_itemCount; ++k) {
        const Item& item = m_items[k];
        switch (item.kind) {
        case Kind::Literal:
            for (qsizetype b = 0; b < item.length && n < qsizetype(sizeof out); ++b)
                out[n++] = m_literals[item.start + b];
            break;
        case Kind::Day:
            put(date.day(), item.padded ? 2 : 1);
            break;
        case Kind::Month:
            put(date.month(), item.padded ? 2 : 1);
            break;
        case Kind::Year:
            put(date.year(), 4);
            break;
        }
    }
    return QByteArrayView(out, n) == text;
}

// A text exactly as the header format writes a day of the years 1000 to
// 9999: literals as they are, the year in four digits without a leading
// zero, day and month in two digits where padded, else in one or two
// without a leading zero.
std::optional<QDate> HeaderDateReader::readWritten(QByteArrayView text) const
{
    const char* const data = text.data();
    const qsizetype size = text.size();
    qsizetype pos = 0;
    int day = 0;
    int month = 0;
    int year = 0;
    for (int k = 0; k < m_itemCount; ++k) {
        const Item& item = m_items[k];
        if (item.kind == Kind::Literal) {
            // Separators are a byte or two: compared in place.
            if (size - pos < item.length)
                return std::nullopt;
            const char* literal = m_literals.constData() + item.start;
            for (qsizetype b = 0; b < item.length; ++b) {
                if (data[pos + b] != literal[b])
                    return std::nullopt;
            }
            pos += item.length;
            continue;
        }
        const qsizetype start = pos;
        const qsizetype maxDigits = item.kind == Kind::Year ? 4 : 2;
        int value = 0;
        while (pos < size && pos - start < maxDigits && isDigit(data[pos]))
            value = value * 10 + (data[pos++] - '0');
        const qsizetype digits = pos - start;
        if (digits == 0 || (pos < size && isDigit(data[pos])))
            return std::nullopt;
        if (item.kind == Kind::Year) {
            if (digits != 4 || data[start] == '0')
                return std::nullopt;
            year = value;
        } else {
            if (item.padded ? digits != 2 : data[start] == '0')
                return std::nullopt;
            (item.kind == Kind::Day ? day : month) = value;
        }
    }
    if (pos != size)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}
