#include "store/line_merge.h"

#include <QList>

#include <algorithm>
#include <vector>

namespace LineMerge {
namespace {

using Lines = QList<QStringView>;

// Larger differences than this many line pairs are taken as one changed
// stretch: still merged without loss, only less finely.
constexpr qsizetype maxCells = 4'000'000;

Lines split(QStringView text)
{
    return text.isEmpty() ? Lines() : text.split(u"\r\n");
}

// For each line of a, the index of the line of b it is matched with in a
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

bool same(const Lines& a, qsizetype aFrom, qsizetype aTo, const Lines& b, qsizetype bFrom, qsizetype bTo)
{
    return aTo - aFrom == bTo - bFrom && std::equal(a.begin() + aFrom, a.begin() + aTo, b.begin() + bFrom);
}

} // namespace

Result merge(QStringView base, QStringView saved, QStringView pad)
{
    const Lines b = split(base);
    const Lines s = split(saved);
    const Lines p = split(pad);
    const std::vector<qsizetype> toSaved = match(b, s);
    const std::vector<qsizetype> toPad = match(b, p);

    Result result;
    Lines out;
    const auto take = [&out](const Lines& from, qsizetype begin, qsizetype end) {
        out.append(from.mid(begin, end - begin));
    };
    qsizetype i = 0, si = 0, pi = 0;
    for (;;) {
        // The next base line both sides kept: what lies before it on each
        // side is one stretch.
        qsizetype k = i;
        while (k < b.size() && (toSaved[size_t(k)] < 0 || toPad[size_t(k)] < 0))
            ++k;
        const qsizetype sk = k < b.size() ? toSaved[size_t(k)] : s.size();
        const qsizetype pk = k < b.size() ? toPad[size_t(k)] : p.size();
        if (same(b, i, k, s, si, sk)) {
            take(p, pi, pk);
        } else if (same(b, i, k, p, pi, pk) || same(s, si, sk, p, pi, pk)) {
            take(s, si, sk);
        } else {
            // Only where the other side left lines of its own is there
            // anything to tell: its deletions give way to the pad's lines.
            result.conflict = result.conflict || sk > si;
            take(s, si, sk);
            take(p, pi, pk);
        }
        if (k == b.size())
            break;
        out.append(b[k]);
        i = k + 1;
        si = sk + 1;
        pi = pk + 1;
    }
    for (qsizetype n = 0; n < out.size(); ++n) {
        if (n > 0)
            result.text += u"\r\n";
        result.text += out[n];
    }
    return result;
}

} // namespace LineMerge
