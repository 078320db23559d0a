#include "synthetic_diary.h"

#include "platform/core/date_settings.h"

#include <random>

QByteArray syntheticDiary(const DateSettings& dates, int entries, const QDate& firstDay)
{
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> lines(1, 8);
    std::uniform_int_distribution<int> letter('a', 'z');
    QByteArray file;
    file.reserve(qsizetype(entries) * 300);
    for (int i = 0; i < entries; ++i) {
        // Mostly in order, every tenth day written late, as when a
        // forgotten day is filled in afterwards.
        const int day = (i % 10 == 9) ? (i / 2) : i;
        file += "*!*" + dates.headerText(firstDay.addDays(day)).toUtf8() + "\r\n";
        for (int l = lines(random); l > 0; --l) {
            for (int c = 0; c < 60; ++c)
                file += (c % 7 == 6) ? ' ' : char(letter(random));
            file += "\r\n";
        }
        file += "!*!\r\n";
    }
    return file;
}
