#include "store/header_date_reader.h"

#include "files/text_codec.h"

#include <QtEndian>

#include <cstring>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The julian day number (QDate's own count) of a Gregorian date of a
// positive year, or invalid for no such date; without QDate's general
// calendar machinery, as a scan reads one per header. Days are counted from
// 1 March of year 0, so that the leap day falls at the end of a counted year.
qint64 gregorianDay(int year, int month, int day, qint64 invalid)
{
    const bool leap = (year & 3) == 0 && (year % 100 != 0 || year % 400 == 0);
    static constexpr int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > monthDays[month - 1] + (month == 2 && leap))
        return invalid;
    const int y = month <= 2 ? year - 1 : year;
    const int m = month <= 2 ? month + 9 : month - 3;
    const qint64 days = 365 * qint64(y) + y / 4 - y / 100 + y / 400 + (153 * m + 2) / 5 + day - 1;
    // 1 March of year 0 is julian day 1721120.
    return days + 1721120;
}

} // namespace

HeaderDateReader::HeaderDateReader(const DateSettings& dates, DateSettings::Precision precision)
    : m_dates(dates), m_precision(precision)
{
    m_text.reserve(64);
    std::memset(m_layoutsOfLength, -1, sizeof m_layoutsOfLength);
    m_fast = learn();
}

std::optional<QDate> HeaderDateReader::readLeniently(QByteArrayView dateText)
{
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
                return lay(false, false) && lay(true, false) && lay(false, true) && lay(true, true);
        }
    }
    return false;
}

// Adds the layout of the given field widths, unless a padded field makes it
// the same as one already laid. False when the text would be shorter or
// longer than two words hold: such a format takes the long way.
bool HeaderDateReader::lay(bool dayTwoDigits, bool monthTwoDigits)
{
    Layout layout;
    // Sets a byte of a mask pair.
    const auto put = [](quint64 (&words)[2], qsizetype at, quint64 byte) {
        words[at / 8] |= byte << (at % 8 * 8);
    };
    qsizetype at = 0;
    for (int k = 0; k < m_itemCount; ++k) {
        const Item& item = m_items[k];
        if (item.kind == Kind::Literal) {
            for (qsizetype b = 0; b < item.length; ++b, ++at) {
                if (at >= maxLength)
                    return false;
                put(layout.literalMask, at, 0xFF);
                put(layout.literal, at, uchar(m_literals[item.start + b]));
            }
            continue;
        }
        int width = 4;
        if (item.kind != Kind::Year) {
            const bool twoDigits = item.kind == Kind::Day ? dayTwoDigits : monthTwoDigits;
            // A padded field has one width, laid once, with two digits.
            if (item.padded && !twoDigits)
                return true;
            width = twoDigits ? 2 : 1;
        }
        if (at + width > maxLength)
            return false;
        if (item.kind == Kind::Year || !item.padded) {
            put(layout.leadingSevens, at, 0x7F);
            put(layout.leadingTops, at, 0x80);
        }
        if (item.kind == Kind::Year) {
            for (int d = 0; d < 4; ++d)
                layout.yearAt[d] = uint8_t(at + d);
        } else {
            uint8_t* const fieldAt = item.kind == Kind::Day ? layout.dayAt : layout.monthAt;
            int* const weight = item.kind == Kind::Day ? layout.dayWeight : layout.monthWeight;
            fieldAt[0] = uint8_t(at);
            fieldAt[1] = uint8_t(at + width - 1);
            weight[0] = width == 2 ? 10 : 1;
            weight[1] = width == 2 ? 1 : 0;
        }
        for (int d = 0; d < width; ++d, ++at) {
            put(layout.digitMask, at, 0xFF);
            put(layout.digitSixes, at, 0x06);
        }
    }
    if (at < minLength)
        return false;
    int8_t* const sameLength = m_layoutsOfLength[at];
    const int slot = sameLength[0] < 0 ? 0 : 1;
    if (sameLength[slot] >= 0)
        return false;
    sameLength[slot] = int8_t(m_layoutCount);
    m_layouts[m_layoutCount++] = layout;
    return true;
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
// without a leading zero. Its length picks the layouts it may have; its
// bytes are tested eight at a time.
qint64 HeaderDateReader::readWritten(QByteArrayView text) const
{
    const qsizetype size = text.size();
    if (size < minLength || size > maxLength)
        return notWritten;
    // The first eight bytes, and the bytes from the ninth on, read as the
    // last eight and shifted down past those already in the first word (in
    // two steps, as a shift by all 64 bits is none).
    const char* const t = text.data();
    const int surplus = int(16 - size) * 8;
    const quint64 words[2] = {qFromLittleEndian<quint64>(t),
                              qFromLittleEndian<quint64>(t + size - 8) >> (surplus / 2) >> (surplus - surplus / 2)};
    constexpr quint64 zeros = 0x3030303030303030;
    constexpr quint64 highNibbles = 0xF0F0F0F0F0F0F0F0;
    for (const int8_t index : m_layoutsOfLength[size]) {
        if (index < 0)
            return notWritten;
        const Layout& layout = m_layouts[index];
        quint64 digits[2];
        quint64 wrong = 0;
        for (int w = 0; w < 2; ++w) {
            wrong |= (words[w] & layout.literalMask[w]) ^ layout.literal[w];
            // A digit less '0' is 0 to 9: nothing in its high nibble, even
            // with 6 added. Bytes of no digit are masked to 0.
            digits[w] = (words[w] ^ zeros) & layout.digitMask[w];
            wrong |= (digits[w] | (digits[w] + layout.digitSixes[w])) & highNibbles;
            // A digit that is never 0 reaches 0x80 when 0x7F is added.
            wrong |= ((digits[w] + layout.leadingSevens[w]) & layout.leadingTops[w]) ^ layout.leadingTops[w];
        }
        if (wrong)
            continue;
        const auto digit = [&digits](uint8_t at) { return int(digits[at / 8] >> (at % 8 * 8)) & 0xF; };
        const int day = layout.dayWeight[0] * digit(layout.dayAt[0]) + layout.dayWeight[1] * digit(layout.dayAt[1]);
        const int month =
            layout.monthWeight[0] * digit(layout.monthAt[0]) + layout.monthWeight[1] * digit(layout.monthAt[1]);
        const int year = 1000 * digit(layout.yearAt[0]) + 100 * digit(layout.yearAt[1])
                         + 10 * digit(layout.yearAt[2]) + digit(layout.yearAt[3]);
        return gregorianDay(year, month, day, notWritten);
    }
    return notWritten;
}
