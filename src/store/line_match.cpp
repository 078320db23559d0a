#include "store/line_match.h"

#include <algorithm>

namespace LineMatch {
namespace {

// A long text with few differences (a day of thousands of lines): the
// shortest edit between a[head, head+n) and b[head, head+m), found by
// following each diagonal only as far as it matches, in time and memory that
// grow with the number of differences squared. Where there are more than
// maxDifferences, nothing is matched: the stretch is taken as one change.
void matchFewDifferences(const Lines& a, const Lines& b, qsizetype head, qsizetype n, qsizetype m,
                         std::vector<qsizetype>& matched)
{
    constexpr qsizetype maxDifferences = 2000;
    const qsizetype limit = std::min(maxDifferences, n + m);
    const qsizetype offset = limit + 1;
    // reach[k]: how far along a the furthest path on diagonal k (x - y) got.
    std::vector<qint32> reach(size_t(2 * limit + 3), 0);
    // For each number of differences d, reach[-d..d] after it, to walk back.
    std::vector<std::vector<qint32>> trace;
    const auto further = [&reach, offset](qsizetype k, qsizetype d) {
        return k == -d || (k != d && reach[size_t(offset + k - 1)] < reach[size_t(offset + k + 1)]);
    };
    for (qsizetype d = 0; d <= limit; ++d) {
        bool done = false;
        for (qsizetype k = -d; k <= d && !done; k += 2) {
            qsizetype x = further(k, d) ? reach[size_t(offset + k + 1)] : reach[size_t(offset + k - 1)] + 1;
            qsizetype y = x - k;
            while (x < n && y < m && a[head + x] == b[head + y]) {
                ++x;
                ++y;
            }
            reach[size_t(offset + k)] = qint32(x);
            done = x >= n && y >= m;
        }
        trace.emplace_back(reach.begin() + offset - d, reach.begin() + offset + d + 1);
        if (!done)
            continue;
        qsizetype x = n, y = m;
        for (qsizetype back = d; back > 0; --back) {
            const std::vector<qint32>& before = trace[size_t(back - 1)];
            const auto at = [&before, back](qsizetype k) { return qsizetype(before[size_t(k + back - 1)]); };
            const qsizetype k = x - y;
            const bool down = k == -back || (k != back && at(k - 1) < at(k + 1));
            const qsizetype fromK = down ? k + 1 : k - 1;
            const qsizetype fromX = at(fromK);
            const qsizetype fromY = fromX - fromK;
            const qsizetype snakeX = down ? fromX : fromX + 1;
            while (x > snakeX) {
                --x;
                --y;
                matched[size_t(head + x)] = head + y;
            }
            x = fromX;
            y = fromY;
        }
        while (x > 0) {
            --x;
            --y;
            matched[size_t(head + x)] = head + y;
        }
        return;
    }
}

} // namespace

Lines split(QStringView text)
{
    return text.isEmpty() ? Lines() : text.split(u"\r\n");
}

// For each token of a, the index of the token of b it is matched with in a
// longest common subsequence, or -1.
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
    if (n == 0 || m == 0)
        return matched;
    if (n * m > maxCells) {
        matchFewDifferences(a, b, head, n, m, matched);
        return matched;
    }
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
