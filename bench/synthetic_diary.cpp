#include "synthetic_diary.h"

#include "platform/core/date_settings.h"

#include <algorithm>
#include <random>
#include <vector>

QByteArray syntheticDiary(const DateSettings& dates, int entries, const QDate& firstDay)
{
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> lineCount(1, 20);
    std::uniform_int_distribution<int> lineLength(0, 90);
    std::uniform_int_distribution<int> letter('a', 'z');
    std::uniform_int_distribution<int> percent(0, 99);

    // Days in the order they were written: about one in ten is held back
    // and written some days to a few weeks later.
    std::vector<int> order;
    order.reserve(size_t(entries));
    std::vector<std::pair<int, int>> late; // (written after day, day)
    std::uniform_int_distribution<int> delay(1, 30);
    for (int day = 0; day < entries; ++day) {
        if (percent(random) < 10)
            late.emplace_back(std::min(entries - 1, day + delay(random)), day);
        else
            order.push_back(day);
    }
    std::stable_sort(late.begin(), late.end());
    std::vector<int> written;
    written.reserve(size_t(entries));
    size_t next = 0;
    for (int day : order) {
        written.push_back(day);
        while (next < late.size() && late[next].first <= day)
            written.push_back(late[next++].second);
    }
    while (next < late.size())
        written.push_back(late[next++].second);

    QByteArray file;
    file.reserve(qsizetype(entries) * 500);
    for (int day : written) {
        if (percent(random) == 0)
            file += "\r\n"; // a stray empty line, as hand edits leave them
        file += "*!*" + dates.headerText(firstDay.addDays(day)).toUtf8() + "\r\n";
        for (int l = lineCount(random); l > 0; --l) {
            for (int c = lineLength(random); c > 0; --c)
                file += (c % 7 == 0) ? ' ' : char(letter(random));
            file += "\r\n";
        }
        file += "!*!\r\n";
    }
    return file;
}
