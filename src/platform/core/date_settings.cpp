#include "platform/core/date_settings.h"

#include "platform/core/date_format.h"

#include <QDate>

#include <algorithm>

namespace {

constexpr int kFirstYear = 100;
constexpr int kLastYear = 9999;

// The code point at pos; len receives its length in UTF-16 units. Some
// locales write digits outside the Basic Multilingual Plane.
char32_t codePointAt(QStringView text, qsizetype pos, qsizetype& len)
{
    const QChar c = text[pos];
    if (c.isHighSurrogate() && pos + 1 < text.size() && text[pos + 1].isLowSurrogate()) {
        len = 2;
        return QChar::surrogateToUcs4(c, text[pos + 1]);
    }
    len = 1;
    return c.unicode();
}

bool isWordChar(char32_t c)
{
    return QChar::isLetter(c) || QChar::isMark(c);
}

bool hasWordChar(QStringView text)
{
    qsizetype len = 1;
    for (qsizetype i = 0; i < text.size(); i += len) {
        if (isWordChar(codePointAt(text, i, len)))
            return true;
    }
    return false;
}

bool startsWithDigit(QStringView text)
{
    qsizetype len = 1;
    return !text.isEmpty() && QChar::isDigit(codePointAt(text, 0, len));
}

bool endsWithDigit(QStringView text)
{
    if (text.isEmpty())
        return false;
    const qsizetype last = text.size() >= 2 && text.back().isLowSurrogate() ? text.size() - 2
                                                                            : text.size() - 1;
    qsizetype len = 1;
    return QChar::isDigit(codePointAt(text, last, len));
}

// Bidirectional marks and the like: invisible, and right-to-left locales put
// them into their own short formats.
bool isInvisible(char32_t c)
{
    return QChar::category(c) == QChar::Other_Format;
}

constexpr QStringView kDateLetters = u"dMy";

// Every year field becomes four digits. A run of fewer than four 'y' is a
// two-digit year to Qt (or a literal 'y', which no locale uses); quoted text
// is copied as it is.
QString widenYears(QStringView format)
{
    QString out;
    out.reserve(format.size() + 4);
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
            ++i;
            continue;
        }
        if (!quoted && c == u'y') {
            qsizetype run = 1;
            while (i + run < format.size() && format[i + run] == u'y')
                ++run;
            out += run < 4 ? QStringLiteral("yyyy") : format.sliced(i, run).toString();
            i += run;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

// The order of day, month and year in a format as the letters 'd', 'M', 'y',
// by first appearance; "ddd" and "dddd" are weekday names, not the day.
// False if a field is missing.
bool fieldOrder(QStringView format, char order[3])
{
    int count = 0;
    walkFormat(
        format, kDateLetters,
        [&](QChar letter, int run) {
            const char field = char(letter.unicode());
            if ((field == 'd' && run > 2) || count == 3 || std::find(order, order + count, field) != order + count)
                return;
            order[count++] = field;
        },
        [](QStringView) {});
    return count == 3;
}

int windowedYear(int value, int digits)
{
    if (digits > 2)
        return value;
    return value < 30 ? 2000 + value : 1900 + value;
}

} // namespace

// The state of one pass over a date text.
struct DateSettings::Scan
{
    int numbers[3] = {};
    int digits[3] = {};
    int count = 0;
    int month = 0;              // from a month name
    bool complete = false;      // the date's fields are all there
    bool spaceAfterDate = false;
    int timeStage = 0;          // 0 no time, 1 hour, 2 minutes, 3 seconds read
    int time[3] = {};
    int meridiem = 0;
    qsizetype lastNumberEnd = -1;
    bool pendingTimeSeparator = false;
    bool sawAmbiguous = false;  // a word that is a month name or something else
    QDate date;
    bool midnight = true;
};

DateSettings::DateSettings(const QLocale& locale)
    : m_locale(locale)
{
    const QString shortFormat = locale.dateFormat(QLocale::ShortFormat);
    const QString longFormat = locale.dateFormat(QLocale::LongFormat);
    m_headerFormat = widenYears(shortFormat);

    char order[3];
    if (fieldOrder(shortFormat, order) || fieldOrder(longFormat, order)) {
        for (int k = 0; k < 3; ++k)
            m_numericOrder[k] = order[k] == 'd' ? Field::Day : order[k] == 'M' ? Field::Month : Field::Year;
    }

    // Beside a month name, the two numbers are day and year; which comes
    // first follows the format that writes month names.
    const QStringView nameFormat = shortFormat.contains(QLatin1String("MMM")) ? shortFormat : longFormat;
    if (fieldOrder(nameFormat, order))
        m_nameDayBeforeYear = std::find(order, order + 3, 'd') < std::find(order, order + 3, 'y');

    learnFormat(shortFormat);
    learnFormat(longFormat);

    for (int month = 1; month <= 12; ++month) {
        for (const auto form : { QLocale::LongFormat, QLocale::ShortFormat }) {
            addPhrase(locale.monthName(month, form), month, 0, false);
            addPhrase(locale.standaloneMonthName(month, form), month, 0, false);
        }
    }
    for (int day = 1; day <= 7; ++day) {
        for (const auto form : { QLocale::LongFormat, QLocale::ShortFormat }) {
            addPhrase(locale.dayName(day, form), 0, 0, true);
            addPhrase(locale.standaloneDayName(day, form), 0, 0, true);
        }
    }
    addPhrase(locale.amText(), 0, 1, false);
    addPhrase(locale.pmText(), 0, 2, false);
    addPhrase(QStringLiteral("AM"), 0, 1, false);
    addPhrase(QStringLiteral("PM"), 0, 2, false);

    // The locale's own separator between hour and minutes (Finnish "H.mm").
    for (const auto form : { QLocale::ShortFormat, QLocale::LongFormat }) {
        bool afterHour = false;
        walkFormat(
            locale.timeFormat(form), u"hHmsaApPzt",
            [&](QChar letter, int) { afterHour = letter == u'h' || letter == u'H'; },
            [&](QStringView literal) {
                if (!afterHour || literal.size() != 1)
                    return;
                const char32_t c = literal[0].unicode();
                if (c != u':' && !QChar::isSpace(c) && !QChar::isLetterOrNumber(c)
                    && std::find(m_timeSeparators.begin(), m_timeSeparators.end(), c)
                           == m_timeSeparators.end())
                    m_timeSeparators.push_back(c);
            });
    }

    // Longest first, so that "Monday" wins over "Mon" and "月曜日" over "月".
    std::stable_sort(m_phrases.begin(), m_phrases.end(),
                     [](const Phrase& a, const Phrase& b) { return a.text.size() > b.text.size(); });
    for (const Phrase& phrase : m_phrases) {
        qsizetype len = 1;
        qsizetype i = 0;
        while (i < phrase.text.size() && QChar::isDigit(codePointAt(phrase.text, i, len)))
            i += len;
        if (i == 0 || i == phrase.text.size())
            continue;
        const char32_t follower = codePointAt(phrase.text, i, len);
        if (std::find(m_digitPhraseFollowers.begin(), m_digitPhraseFollowers.end(), follower)
            == m_digitPhraseFollowers.end())
            m_digitPhraseFollowers.push_back(follower);
    }
}

// Literal words of a format ("de", 年, "г") are skipped when read; its other
// literal characters (commas, bidirectional marks, brackets) separate fields.
void DateSettings::learnFormat(QStringView format)
{
    walkFormat(
        format, kDateLetters, [](QChar, int) {},
        [&](QStringView literal) {
            qsizetype wordStart = -1;
            const auto endWord = [&](qsizetype end) {
                if (wordStart >= 0)
                    addPhrase(literal.sliced(wordStart, end - wordStart).toString(), 0, 0, true);
                wordStart = -1;
            };
            qsizetype len = 1;
            for (qsizetype i = 0; i < literal.size(); i += len) {
                const char32_t c = codePointAt(literal, i, len);
                if (isWordChar(c)) {
                    if (wordStart < 0)
                        wordStart = i;
                    continue;
                }
                endWord(i);
                if (!QChar::isSpace(c) && !QChar::isDigit(c) && !isInvisible(c) && !isDateSeparator(c))
                    m_dateSeparators.push_back(c);
            }
            endWord(literal.size());
        });
}

void DateSettings::addPhrase(const QString& text, int month, int meridiem, bool ignorable)
{
    // A trailing dot ("déc.", "a.m.") is read as a separator anyway.
    QStringView view = QStringView(text).trimmed();
    while (view.endsWith(u'.'))
        view.chop(1);
    view = view.trimmed();
    // Some locales' short month names are just the month's number (Dzongkha
    // "༡"); those are read as numbers.
    if (!hasWordChar(view))
        return;
    for (Phrase& phrase : m_phrases) {
        if (QStringView(phrase.text).compare(view, Qt::CaseInsensitive) == 0) {
            if (!phrase.month)
                phrase.month = month;
            if (!phrase.meridiem)
                phrase.meridiem = meridiem;
            phrase.ignorable = phrase.ignorable || ignorable;
            return;
        }
    }
    Phrase phrase;
    phrase.text = view.toString();
    phrase.folded = QChar::toCaseFolded(phrase.text.front().unicode());
    phrase.month = month;
    phrase.meridiem = meridiem;
    phrase.ignorable = ignorable;
    m_phrases.push_back(std::move(phrase));
}

bool DateSettings::isDateSeparator(char32_t c) const
{
    if (c == u'/' || c == u'-' || c == u'.' || c == u',')
        return true;
    return std::find(m_dateSeparators.begin(), m_dateSeparators.end(), c) != m_dateSeparators.end();
}

bool DateSettings::isTimeSeparator(char32_t c) const
{
    return c == u':'
        || std::find(m_timeSeparators.begin(), m_timeSeparators.end(), c) != m_timeSeparators.end();
}

const DateSettings::Phrase* DateSettings::matchPhrase(QStringView text, qsizetype pos,
                                                      bool digitsOnly) const
{
    const char16_t first = QChar::toCaseFolded(text[pos].unicode());
    const qsizetype left = text.size() - pos;
    for (const Phrase& phrase : m_phrases) {
        if (phrase.folded != first || phrase.text.size() > left)
            continue;
        if (digitsOnly && !startsWithDigit(phrase.text))
            continue;
        if (text.sliced(pos, phrase.text.size()).compare(phrase.text, Qt::CaseInsensitive) != 0)
            continue;
        // "tháng 1" is not the start of "tháng 12".
        const qsizetype end = pos + phrase.text.size();
        if (endsWithDigit(phrase.text) && startsWithDigit(text.sliced(end)))
            continue;
        return &phrase;
    }
    return nullptr;
}

QString DateSettings::text(const QDate& date, int dateStyle) const
{
    return dateStyle == 2 ? shortText(date) : longText(date);
}

QString DateSettings::longText(const QDate& date) const
{
    return m_locale.toString(date, QLocale::LongFormat);
}

QString DateSettings::shortText(const QDate& date) const
{
    return m_locale.toString(date, QLocale::ShortFormat);
}

QString DateSettings::headerText(const QDate& date) const
{
    return m_locale.toString(date, m_headerFormat);
}

std::optional<QDate> DateSettings::read(QStringView text, Precision precision) const
{
    Scan scan;
    bool ok = readOnce(text, false, scan);
    // A word like Spanish "mar" is first taken for the weekday; if the text
    // then lacks a month, it was the month.
    if (!ok && scan.sawAmbiguous) {
        scan = Scan();
        ok = readOnce(text, true, scan);
    }
    if (!ok || (precision == Precision::Exact && !scan.midnight))
        return std::nullopt;
    return scan.date;
}

// One pass: a date of three numbers, or two numbers and a month name, with
// separators, weekday names and format literals anywhere among them; then,
// after a space, optionally a time of day with an optional AM/PM marker.
bool DateSettings::readOnce(QStringView text, bool ambiguousAsMonth, Scan& scan) const
{
    const auto takeNumber = [&](int value, int digits, qsizetype start, qsizetype end) {
        if (!scan.complete) {
            scan.numbers[scan.count] = value;
            scan.digits[scan.count] = digits;
            ++scan.count;
            scan.complete = scan.count == 3 || (scan.count == 2 && scan.month);
        } else if (scan.timeStage == 0) {
            if (!scan.spaceAfterDate || digits > 2)
                return false;
            scan.time[0] = value;
            scan.timeStage = 1;
        } else if (scan.timeStage <= 2) {
            // Minutes and seconds follow the previous number directly, after
            // exactly one time separator.
            if (digits != 2 || start != scan.lastNumberEnd + 1
                || !isTimeSeparator(text[scan.lastNumberEnd].unicode()))
                return false;
            scan.time[scan.timeStage++] = value;
        } else {
            return false;
        }
        scan.lastNumberEnd = end;
        scan.pendingTimeSeparator = false;
        return true;
    };

    const auto takePhrase = [&](const Phrase& phrase) {
        if (phrase.month && !scan.complete && !scan.month) {
            if (!phrase.ignorable || ambiguousAsMonth) {
                scan.month = phrase.month;
                scan.complete = scan.count == 2;
                return true;
            }
            scan.sawAmbiguous = true;
            return true;
        }
        if (phrase.meridiem && scan.complete && !scan.meridiem && scan.timeStage != 1
            && (scan.timeStage >= 2 || !phrase.ignorable)) {
            scan.meridiem = phrase.meridiem;
            return true;
        }
        return phrase.ignorable && scan.timeStage == 0 && !scan.meridiem;
    };

    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        qsizetype len = 1;
        const char32_t c = codePointAt(text, i, len);
        if (QChar::isDigit(c)) {
            const qsizetype start = i;
            int value = 0;
            int digits = 0;
            while (i < n) {
                const char32_t d = codePointAt(text, i, len);
                if (!QChar::isDigit(d))
                    break;
                if (++digits <= 4)
                    value = value * 10 + QChar::digitValue(d);
                i += len;
            }
            if (i < n && !m_digitPhraseFollowers.empty()
                && std::find(m_digitPhraseFollowers.begin(), m_digitPhraseFollowers.end(),
                             codePointAt(text, i, len))
                       != m_digitPhraseFollowers.end()) {
                // Month names like 12月 or 12월 begin with the month's number.
                if (const Phrase* phrase = matchPhrase(text, start, true)) {
                    if (scan.pendingTimeSeparator || !takePhrase(*phrase))
                        return false;
                    i = start + phrase->text.size();
                    continue;
                }
            }
            if (digits > 4 || !takeNumber(value, digits, start, i))
                return false;
            continue;
        }
        if (scan.pendingTimeSeparator)
            return false;
        if (QChar::isSpace(c)) {
            if (scan.complete)
                scan.spaceAfterDate = true;
            i += len;
            continue;
        }
        if (isInvisible(c)) {
            i += len;
            continue;
        }
        const bool dateSeparator = isDateSeparator(c);
        if (!dateSeparator && isTimeSeparator(c)) {
            if (scan.timeStage != 1 && scan.timeStage != 2)
                return false;
            if (scan.lastNumberEnd != i)
                return false;
            scan.pendingTimeSeparator = true;
            i += len;
            continue;
        }
        if (dateSeparator) {
            i += len;
            continue;
        }
        const Phrase* phrase = matchPhrase(text, i, false);
        if (!phrase || !takePhrase(*phrase))
            return false;
        i += phrase->text.size();
    }

    if (!scan.complete || scan.pendingTimeSeparator || scan.timeStage == 1
        || (scan.meridiem && scan.timeStage == 0))
        return false;

    int day = 0;
    int month = 0;
    int year = 0;
    int yearDigits = 0;
    if (scan.month) {
        month = scan.month;
        const bool wide0 = scan.digits[0] > 2;
        const bool wide1 = scan.digits[1] > 2;
        if (wide0 && wide1)
            return false;
        const int yearAt = wide0 ? 0 : wide1 ? 1 : (m_nameDayBeforeYear ? 1 : 0);
        year = scan.numbers[yearAt];
        yearDigits = scan.digits[yearAt];
        day = scan.numbers[1 - yearAt];
        if (scan.digits[1 - yearAt] > 2)
            return false;
    } else {
        // A first part of three or four digits is a year: ISO order.
        static constexpr Field kYearFirst[3] = { Field::Year, Field::Month, Field::Day };
        const Field* order = scan.digits[0] > 2 ? kYearFirst : m_numericOrder;
        for (int k = 0; k < 3; ++k) {
            switch (order[k]) {
            case Field::Day:
                day = scan.numbers[k];
                break;
            case Field::Month:
                month = scan.numbers[k];
                break;
            case Field::Year:
                year = scan.numbers[k];
                yearDigits = scan.digits[k];
                break;
            }
            if (order[k] != Field::Year && scan.digits[k] > 2)
                return false;
        }
    }
    year = windowedYear(year, yearDigits);
    if (year < kFirstYear || year > kLastYear || !QDate::isValid(year, month, day))
        return false;

    int hour = scan.time[0];
    if (scan.meridiem) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + (scan.meridiem == 2 ? 12 : 0);
    }
    if (hour > 23 || scan.time[1] > 59 || scan.time[2] > 59)
        return false;

    scan.date = QDate(year, month, day);
    scan.midnight = hour == 0 && scan.time[1] == 0 && scan.time[2] == 0;
    return true;
}
