#include "platform/core/date_settings.h"

#include <QRegularExpression>
#include <QTime>

#include <algorithm>

namespace {

// The code point at pos; len receives its length in UTF-16 units. Some
// locales write digits outside the Basic Multilingual Plane.
char32_t codePointAt(QStringView text, qsizetype pos, qsizetype& len)
{
    const QChar c = text[pos];
    len = c.isHighSurrogate() && pos + 1 < text.size() && text[pos + 1].isLowSurrogate() ? 2 : 1;
    return len == 2 ? QChar::surrogateToUcs4(c, text[pos + 1]) : c.unicode();
}

bool startsWithDigit(QStringView text)
{
    qsizetype len = 1;
    return !text.isEmpty() && QChar::isDigit(codePointAt(text, 0, len));
}

bool isWordChar(char32_t c)
{
    return QChar::isLetter(c) || QChar::isMark(c);
}

// Bidirectional marks and the like: invisible, and right-to-left locales put
// them into their own short formats.
bool isInvisible(char32_t c)
{
    return QChar::category(c) == QChar::Other_Format;
}

// Walks a Qt date or time format ("dd.MM.yyyy", "d 'de' MMMM"): onField(letter,
// count) for each run of one of the pattern letters, onLiteral(text) for the
// text between runs, with Qt's quoting ('text', and '' for one quote) resolved.
template <typename FieldFn, typename LiteralFn>
void walkFormat(QStringView format, QStringView letters, FieldFn onField, LiteralFn onLiteral)
{
    QString literal;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        qsizetype run = 1;
        if (c == u'\'' && format.sliced(i).startsWith(u"''")) {
            literal += c;
            run = 2;
        } else if (c == u'\'') {
            quoted = !quoted;
        } else if (!quoted && letters.contains(c)) {
            while (i + run < format.size() && format[i + run] == c)
                ++run;
            if (!literal.isEmpty())
                onLiteral(QStringView(literal));
            literal.clear();
            onField(c, int(run));
        } else {
            literal += c;
        }
        i += run;
    }
    if (!literal.isEmpty())
        onLiteral(QStringView(literal));
}

// Every year field becomes four digits: to Qt, a run of fewer than four 'y'
// is a two-digit year. Quoted text is copied as it is.
QString widenYears(const QString& format)
{
    static const QRegularExpression yearsOrQuoted(QStringLiteral("'[^']*'?|y+"));
    QString out;
    qsizetype copied = 0;
    for (const QRegularExpressionMatch& match : yearsOrQuoted.globalMatch(format)) {
        const QString piece = match.captured();
        out += format.sliced(copied, match.capturedStart() - copied);
        out += piece.startsWith(u'y') && piece.size() < 4 ? QStringLiteral("yyyy") : piece;
        copied = match.capturedEnd();
    }
    return out + format.sliced(copied);
}

// The order of day, month and year in a format as "dMy", "yMd" and so on, by
// first appearance ("ddd" and "dddd" are weekday names, not the day); empty
// if a field is missing.
QString fieldOrder(QStringView format)
{
    QString order;
    walkFormat(
        format, u"dMy",
        [&](QChar letter, int run) {
            if (!(letter == u'd' && run > 2) && !order.contains(letter))
                order += letter;
        },
        [](QStringView) {});
    return order.size() == 3 ? order : QString();
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
    for (const QString& format : { longFormat, shortFormat }) {
        if (const QString order = fieldOrder(format); !order.isEmpty())
            m_numericOrder = order;
    }

    // Beside a month name, the two numbers are day and year; which comes
    // first follows the format that writes month names.
    const QString nameOrder = fieldOrder(shortFormat.contains(u"MMM") ? shortFormat : longFormat);
    if (!nameOrder.isEmpty())
        m_nameDayBeforeYear = nameOrder.indexOf(u'd') < nameOrder.indexOf(u'y');

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
                const QChar c = literal.front();
                if (afterHour && literal.size() == 1 && !c.isSpace() && !c.isLetterOrNumber()
                    && !m_timeSeparators.contains(c.unicode()))
                    m_timeSeparators.append(c.unicode());
            });
    }

    // Longest first, so that "Monday" wins over "Mon" and "月曜日" over "月".
    std::stable_sort(m_phrases.begin(), m_phrases.end(),
                     [](const Phrase& a, const Phrase& b) { return a.text.size() > b.text.size(); });
    for (const Phrase& phrase : m_phrases) {
        qsizetype i = 0, len = 1;
        while (i < phrase.text.size() && QChar::isDigit(codePointAt(phrase.text, i, len)))
            i += len;
        const char32_t follower = codePointAt(phrase.text, i, len);
        if (i > 0 && !m_digitPhraseFollowers.contains(follower))
            m_digitPhraseFollowers.append(follower);
    }
}

// Literal words of a format ("de", 年, "г") are skipped when read; its other
// literal characters (commas, bidirectional marks, brackets) separate fields.
void DateSettings::learnFormat(QStringView format)
{
    walkFormat(format, u"dMy", [](QChar, int) {}, [&](QStringView literal) {
        qsizetype wordStart = -1;
        qsizetype len = 1;
        // A space after the end closes the last word.
        for (qsizetype i = 0; i <= literal.size(); i += len) {
            const char32_t c = i < literal.size() ? codePointAt(literal, i, len) : U' ';
            if (isWordChar(c)) {
                if (wordStart < 0)
                    wordStart = i;
                continue;
            }
            if (wordStart >= 0)
                addPhrase(literal.sliced(wordStart, i - wordStart).toString(), 0, 0, true);
            wordStart = -1;
            if (!QChar::isSpace(c) && !QChar::isDigit(c) && !isInvisible(c) && !m_dateSeparators.contains(c))
                m_dateSeparators.append(c);
        }
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
    const QList<uint> codePoints = view.toUcs4();
    if (std::none_of(codePoints.begin(), codePoints.end(), isWordChar))
        return;
    const auto same = std::find_if(m_phrases.begin(), m_phrases.end(), [&](const Phrase& phrase) {
        return view.compare(phrase.text, Qt::CaseInsensitive) == 0;
    });
    if (same == m_phrases.end()) {
        m_phrases.push_back(Phrase{ view.toString(), view.front().toCaseFolded().unicode(), month,
                                    meridiem, ignorable, QChar::isDigit(codePoints.back()) });
        return;
    }
    same->month = same->month ? same->month : month;
    same->meridiem = same->meridiem ? same->meridiem : meridiem;
    same->ignorable = same->ignorable || ignorable;
}

const DateSettings::Phrase* DateSettings::matchPhrase(QStringView text, qsizetype pos) const
{
    const char16_t first = text[pos].toCaseFolded().unicode();
    for (const Phrase& phrase : m_phrases) {
        const qsizetype end = pos + phrase.text.size();
        if (phrase.folded == first && end <= text.size()
            && text.sliced(pos, phrase.text.size()).compare(phrase.text, Qt::CaseInsensitive) == 0
            // "tháng 1" is not the start of "tháng 12".
            && !(phrase.endsInDigit && startsWithDigit(text.sliced(end))))
            return &phrase;
    }
    return nullptr;
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
                || !m_timeSeparators.contains(text[scan.lastNumberEnd].unicode()))
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
            } else {
                scan.sawAmbiguous = true;
            }
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
    for (qsizetype i = 0, len = 1; i < n;) {
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
            // A month name like 12月 or 12월 begins with the month's number.
            const bool mayBeName = i < n && m_digitPhraseFollowers.contains(codePointAt(text, i, len));
            if (const Phrase* phrase = mayBeName ? matchPhrase(text, start) : nullptr) {
                if (scan.pendingTimeSeparator || !takePhrase(*phrase))
                    return false;
                i = start + phrase->text.size();
            } else if (digits > 4 || !takeNumber(value, digits, start, i)) {
                return false;
            }
            continue;
        }
        if (scan.pendingTimeSeparator)
            return false;
        if (QChar::isSpace(c) || isInvisible(c) || m_dateSeparators.contains(c)) {
            if (scan.complete && QChar::isSpace(c))
                scan.spaceAfterDate = true;
            i += len;
        } else if (m_timeSeparators.contains(c)) {
            if ((scan.timeStage != 1 && scan.timeStage != 2) || scan.lastNumberEnd != i)
                return false;
            scan.pendingTimeSeparator = true;
            i += len;
        } else if (const Phrase* phrase = matchPhrase(text, i); phrase && takePhrase(*phrase)) {
            i += phrase->text.size();
        } else {
            return false;
        }
    }

    if (!scan.complete || scan.pendingTimeSeparator || scan.timeStage == 1
        || (scan.meridiem && scan.timeStage == 0))
        return false;

    int day = 0;
    int month = scan.month;
    int year = 0;
    int yearDigits = 0;
    if (month) {
        // Of the two numbers, one of three or four digits is the year.
        const int yearAt = scan.digits[0] > 2 ? 0 : scan.digits[1] > 2 ? 1 : m_nameDayBeforeYear ? 1 : 0;
        if (scan.digits[1 - yearAt] > 2)
            return false;
        year = scan.numbers[yearAt];
        yearDigits = scan.digits[yearAt];
        day = scan.numbers[1 - yearAt];
    } else {
        // A first part of three or four digits is a year: ISO order.
        const QStringView order = scan.digits[0] > 2 ? QStringView(u"yMd") : QStringView(m_numericOrder);
        for (int k = 0; k < 3; ++k) {
            if (order[k] == u'y') {
                year = scan.numbers[k];
                yearDigits = scan.digits[k];
            } else if (scan.digits[k] > 2) {
                return false;
            } else if (order[k] == u'd') {
                day = scan.numbers[k];
            } else {
                month = scan.numbers[k];
            }
        }
    }
    if (yearDigits <= 2)
        year += year < 30 ? 2000 : 1900;
    if (year < 100 || year > 9999 || !QDate::isValid(year, month, day))
        return false;

    int hour = scan.time[0];
    if (scan.meridiem) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + (scan.meridiem == 2 ? 12 : 0);
    }
    if (!QTime::isValid(hour, scan.time[1], scan.time[2]))
        return false;
    scan.date = QDate(year, month, day);
    scan.midnight = hour == 0 && scan.time[1] == 0 && scan.time[2] == 0;
    return true;
}
