#pragma once

// The plan both sides of the crash test follow: the diary the test starts
// from, and the save the saver makes at each step, all derived from the
// step's number, so that the test knows what the file must hold after any
// number of saves without being told more than that number.

#include "platform/core/date_settings.h"
#include "store/entry_lines.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>

#include <cstdint>

namespace CrashPlan {

inline constexpr int diaryEntries = 3000;
inline const QString machine = QStringLiteral("crashtest");
inline const QDate firstDay(2012, 3, 1);

inline QLocale locale()
{
    return QLocale(QLocale::English, QLocale::UnitedKingdom);
}

inline uint64_t mix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// Lines of about sixty characters, some of them not ASCII, now and then one
// that the file would take for a mark if it were written unescaped.
inline QString text(uint64_t seed, const QString& firstLine)
{
    static const char16_t* const words[] = {u"rain", u"umbrella", u"café", u"5 €", u"walked",
                                            u"日記", u"tea", u"the", u"garden", u"letter"};
    QString result = firstLine;
    const int lines = 1 + int(mix(seed) % 7);
    for (int i = 0; i < lines; ++i) {
        result += u"\r\n";
        uint64_t h = mix(seed + 101 * uint64_t(i + 1));
        if (h % 29 == 0) {
            result += (h & 64) ? QStringView(u"!*!") : QStringView(u"*!*01/01/2000");
            continue;
        }
        while (result.size() % 64 < 56) {
            result += QStringView(words[h % 10]);
            result += u' ';
            h = mix(h);
        }
    }
    return result;
}

// Step i of the saver: the day it saves (mostly one of the diary's days, now
// and then a day that may have no entry yet), the text, and whether it
// removes the day's entry instead.
inline QDate dayOf(int64_t step)
{
    const uint64_t h = mix(uint64_t(step) * 7919);
    if (h % 8 == 0)
        return firstDay.addDays(diaryEntries + int64_t(h / 8 % 500));
    return firstDay.addDays(int64_t(h / 8 % diaryEntries));
}

inline bool removes(int64_t step)
{
    return mix(uint64_t(step) * 104729) % 16 == 0;
}

inline QString textOf(int64_t step)
{
    return text(uint64_t(step) * 31, QStringLiteral("Save %1 of %2").arg(step).arg(dayOf(step).toString(Qt::ISODate)));
}

// The diary as the test expects it: stray lines and entries in file order.
class Diary
{
public:
    explicit Diary(const DateSettings& dates) : m_dates(&dates) {}

    // Thousands of entries in an order that is not the date order, with a
    // few stray lines between them.
    void fill()
    {
        for (int k = 0; k < diaryEntries; ++k) {
            const int64_t offset = int64_t((uint64_t(k) * 1543) % diaryEntries);
            const QDate day = firstDay.addDays(offset);
            if (k % 250 == 7)
                m_items.append({QDate(), QStringLiteral("a line outside any entry %1").arg(k)});
            m_items.append({day, text(uint64_t(k) + 1000000, QStringLiteral("Entry of %1").arg(day.toString(Qt::ISODate)))});
        }
    }

    // What a save of the day does to the file.
    void save(const QDate& day, const QString& text, bool remove)
    {
        for (qsizetype i = 0; i < m_items.size(); ++i) {
            if (m_items[i].day != day)
                continue;
            if (remove)
                m_items.removeAt(i);
            else
                m_items[i].text = text;
            return;
        }
        if (!remove)
            m_items.append({day, text});
    }

    void step(int64_t i) { save(dayOf(i), textOf(i), removes(i)); }

    QString textOn(const QDate& day) const
    {
        for (const Item& item : m_items) {
            if (item.day == day)
                return item.text;
        }
        return QString();
    }

    QByteArray bytes() const
    {
        QByteArray out;
        for (const Item& item : m_items) {
            if (item.day.isValid())
                out += EntryLines::entryBytes(*m_dates, item.day, item.text);
            else
                out += item.text.toUtf8() + "\r\n";
        }
        return out;
    }

private:
    struct Item
    {
        QDate day; // none for a stray line
        QString text;
    };

    const DateSettings* m_dates;
    QList<Item> m_items;
};

} // namespace CrashPlan
