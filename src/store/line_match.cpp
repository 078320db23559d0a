#include "store/line_match.h"

#include <algorithm>

namespace LineMatch {

Lines split(QStringView text)
{
    return text.isEmpty() ? Lines() : text.split(u"\r\n");
}

std::vector<qsizetype> match(const Lines& a, const Lines& b)
{
    std::vector<qsizetype> matched(size_t(a.size()), -1);
    qsizetype head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head]) {
        matched[size_t(head)] = head;
        ++head;
    }
    qsizetype tailA = a.size();
    qsizetype tailB = b.size();
    while (tailA > head && tailB > head && a[tailA - 1] == b[tailB - 1])
        matched[size_t(--tailA)] = --tailB;
    const qsizetype n = tailA - head;
    const qsizetype m = tailB - head;
    if (n == 0 || m == 0 || n * m > maxCells)
        return matched;
    // lengths[i][j]: the longest common subsequence of a[head+i..] and b[head+j..].
    std::vector<quint32> lengths(size_t((n + 1) * (m + 1)), 0);
    const auto at = [&](qsizetype i, qsizetype j) -> quint32& { return lengths[size_t(i * (m + 1) + j)]; };
    for (qsizetype i = n - 1; i >= 0; --i) {
        for (qsizetype j = m - 1; j >= 0; --j)
            at(i, j) = a[head + i] == b[head + j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
    }
    for (qsizetype i = 0, j = 0; i < n && j < m;) {
        if (a[head + i] == b[head + j]) {
            matched[size_t(head + i)] = head + j;
            ++i;
            ++j;
        } else if (at(i + 1, j) >= at(i, j + 1)) {
            ++i;
        } else {
            ++j;
        }
    }
    return matched;
}

} // namespace LineMatch
