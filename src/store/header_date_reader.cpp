#include "store/header_date_reader.h"

#include "files/text_codec.h"

#include <cstring>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The text's runs of digits and of other bytes, in order.
std::vector<QByteArrayView> runs(QByteArrayView text)
{
    std::vector<QByteArrayView> out;
    qsizetype start = 0;
    for (qsizetype i = 1; i <= text.size(); ++i) {
        if (i == text.size() || isDigit(text[i]) != isDigit(text[start])) {
            out.push_back(text.sliced(start, i - start));
            start = i;
        }
    }
    return out;
}

} // namespace

HeaderDateReader::HeaderDateReader(const DateSettings& dates, DateSettings::Precision precision)
    : m_dates(dates), m_precision(precision)
{
    m_text.reserve(64);
    if (!learn())
        m_pieces.clear();
}

std::optional<QDate> HeaderDateReader::readLeniently(QByteArrayView dateText)
{
    TextCodec::decode(dateText, m_text);
    return m_dates.read(m_text, m_precision);
}

// The header format's shape, from what it writes for a day whose fields
// tell apart (22 November 2003), and whether it pads day and month, from a
// day where padding shows (2 January 2003). Names of months or weekdays
// differ between the two and so are never taken for literals.
bool HeaderDateReader::learn()
{
    const QString wide = m_dates.headerText(QDate(2003, 11, 22));
    const QString narrow = m_dates.headerText(QDate(2003, 1, 2));
    for (const QString& text : {wide, narrow}) {
        for (const QChar c : text) {
            if (c.unicode() > 0x7F)
                return false; // names, other digits, marks: the long way
        }
    }
    const QByteArray wideBytes = wide.toLatin1();
    const QByteArray narrowBytes = narrow.toLatin1();
    const std::vector<QByteArrayView> wideRuns = runs(wideBytes);
    const std::vector<QByteArrayView> narrowRuns = runs(narrowBytes);
    if (wideRuns.size() != narrowRuns.size())
        return false;
    bool seen[4] = {};
    for (size_t i = 0; i < wideRuns.size(); ++i) {
        const QByteArrayView run = wideRuns[i];
        if (!isDigit(run.front())) {
            if (run != narrowRuns[i])
                return false;
            m_pieces.push_back(Piece{Kind::Literal, false, run.toByteArray()});
            continue;
        }
        const Kind kind = run == "2003" ? Kind::Year
                        : run == "11"   ? Kind::Month
                        : run == "22"   ? Kind::Day
                                        : Kind::Literal;
        if (kind == Kind::Literal || seen[int(kind)])
            return false;
        seen[int(kind)] = true;
        const QByteArrayView padded = kind == Kind::Year ? "2003" : kind == Kind::Month ? "01" : "02";
        const QByteArrayView unpadded = kind == Kind::Year ? "2003" : kind == Kind::Month ? "1" : "2";
        if (narrowRuns[i] != padded && narrowRuns[i] != unpadded)
            return false;
        m_pieces.push_back(Piece{kind, narrowRuns[i] == padded, {}});
    }
    return seen[int(Kind::Day)] && seen[int(Kind::Month)] && seen[int(Kind::Year)];
}

// A text exactly as the header format writes a day of the years 1000 to
// 9999: literals as they are, the year in four digits without a leading
// zero, day and month in two digits where padded, else in one or two
// without a leading zero.
QDate HeaderDateReader::readWritten(QByteArrayView text) const
{
    if (m_pieces.empty())
        return QDate();
    const char* at = text.data();
    const char* const end = at + text.size();
    int values[4] = {};
    for (const Piece& piece : m_pieces) {
        if (piece.kind == Kind::Literal) {
            const qsizetype length = piece.literal.size();
            if (end - at < length || std::memcmp(at, piece.literal.constData(), size_t(length)) != 0)
                return QDate();
            at += length;
            continue;
        }
        const qsizetype most = piece.kind == Kind::Year ? 4 : 2;
        const qsizetype least = piece.kind == Kind::Year || piece.padded ? most : 1;
        qsizetype digits = 0;
        int value = 0;
        while (digits < most && at + digits < end && isDigit(at[digits]))
            value = value * 10 + (at[digits++] - '0');
        const bool leadingZero = (piece.kind == Kind::Year || !piece.padded) && digits > 0 && at[0] == '0';
        if (digits < least || leadingZero || (at + digits < end && isDigit(at[digits])))
            return QDate();
        values[int(piece.kind)] = value;
        at += digits;
    }
    if (at != end)
        return QDate();
    return QDate(values[int(Kind::Year)], values[int(Kind::Month)], values[int(Kind::Day)]);
}
