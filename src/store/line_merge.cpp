#include "store/line_merge.h"

#include <QList>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace LineMerge {
namespace {

using Tokens = QList<QStringView>;

// Up to this many token pairs are compared all with all; longer texts are
// matched only as far as they differ little.
constexpr qsizetype maxCells = 4'000'000;

constexpr QStringView lineBreak = u"\r\n";

Tokens lines(QStringView text)
{
    return text.isEmpty() ? Tokens() : text.split(lineBreak);
}

enum class Kind { Word, Space, Other };

Kind kind(QChar c)
{
    if (c.isSpace())
        return Kind::Space;
    return c.isLetterOrNumber() || c.isMark() ? Kind::Word : Kind::Other;
}

// Runs of word characters, runs of white space, and any other character
// (a surrogate pair kept whole) on its own; lines joined by a line break.
Tokens words(const Tokens& from)
{
    Tokens tokens;
    for (qsizetype n = 0; n < from.size(); ++n) {
        if (n > 0)
            tokens.append(lineBreak);
        const QStringView line = from[n];
        for (qsizetype i = 0; i < line.size();) {
            const Kind k = kind(line[i]);
            qsizetype end = i + 1;
            if (k == Kind::Other) {
                if (line[i].isHighSurrogate() && end < line.size() && line[end].isLowSurrogate())
                    ++end;
            } else {
                while (end < line.size() && kind(line[end]) == k)
                    ++end;
            }
            tokens.append(line.sliced(i, end - i));
            i = end;
        }
    }
    return tokens;
}

// A long text with few differences (a day of thousands of lines): the
// shortest edit between a[head, head+n) and b[head, head+m), found by
// following each diagonal only as far as it matches, in time and memory that
// grow with the number of differences squared. Where there are more than
// maxDifferences, nothing is matched: the stretch is taken as one change.
void matchFewDifferences(const Tokens& a, const Tokens& b, qsizetype head, qsizetype n, qsizetype m,
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

// For each token of a, the index of the token of b it is matched with in a
// longest common subsequence, or -1.
std::vector<qsizetype> match(const Tokens& a, const Tokens& b)
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

// One side's change: base tokens [baseFrom, baseTo) became the side's
// tokens [from, to). An insertion has an empty base range.
struct Hunk
{
    qsizetype baseFrom, baseTo, from, to;
};

std::vector<Hunk> hunks(const Tokens& base, const Tokens& side)
{
    const std::vector<qsizetype> matched = match(base, side);
    std::vector<Hunk> found;
    qsizetype i = 0, j = 0;
    for (qsizetype k = 0; k <= base.size(); ++k) {
        const qsizetype to = k < base.size() ? matched[size_t(k)] : side.size();
        if (to < 0)
            continue;
        if (k > i || to > j)
            found.push_back({i, k, j, to});
        i = k + 1;
        j = to + 1;
    }
    return found;
}

// Changes touch each other only where they change one base token, or both
// insert at one place; a change ending where the other begins does not.
bool touches(qsizetype from, qsizetype to, const Hunk& hunk)
{
    if (from == to && hunk.baseFrom == hunk.baseTo)
        return from == hunk.baseFrom;
    return from < hunk.baseTo && hunk.baseFrom < to;
}

// Where both sides changed one stretch: the base's tokens there and each
// side's; appends what the stretch becomes and tells whether it conflicts.
using Resolve = bool (*)(const Tokens& base, const Tokens& saved, const Tokens& pad, QStringList& out);

// The three-way merge over tokens: every change only one side made is kept,
// and where both changed one stretch the same way, it is kept once.
bool merge3(const Tokens& base, const Tokens& saved, const Tokens& pad, QStringList& out, Resolve resolve)
{
    const std::vector<Hunk> ofSaved = hunks(base, saved);
    const std::vector<Hunk> ofPad = hunks(base, pad);
    const auto append = [&out](const Tokens& from, qsizetype begin, qsizetype end) {
        for (qsizetype n = begin; n < end; ++n)
            out.append(from[n].toString());
    };
    const auto before = [](const Hunk& a, const Hunk& b) {
        return a.baseFrom != b.baseFrom ? a.baseFrom < b.baseFrom : a.baseTo < b.baseTo;
    };
    // The side's tokens standing for base [from, to), given its hunks [first, last) there.
    const auto range = [](const Tokens& side, const std::vector<Hunk>& of, size_t first, size_t last,
                          qsizetype from, qsizetype to) {
        const qsizetype begin = of[first].from - (of[first].baseFrom - from);
        const qsizetype end = of[last - 1].to + (to - of[last - 1].baseTo);
        return side.mid(begin, end - begin);
    };

    bool conflict = false;
    qsizetype done = 0;
    size_t si = 0, pi = 0;
    while (si < ofSaved.size() || pi < ofPad.size()) {
        const bool savedFirst = pi == ofPad.size() || (si < ofSaved.size() && !before(ofPad[pi], ofSaved[si]));
        const Hunk& first = savedFirst ? ofSaved[si] : ofPad[pi];
        qsizetype from = first.baseFrom, to = first.baseTo;
        const size_t s0 = si, p0 = pi;
        for (bool grew = true; grew;) {
            grew = false;
            for (; si < ofSaved.size() && touches(from, to, ofSaved[si]); ++si, grew = true)
                to = std::max(to, ofSaved[si].baseTo);
            for (; pi < ofPad.size() && touches(from, to, ofPad[pi]); ++pi, grew = true)
                to = std::max(to, ofPad[pi].baseTo);
        }
        append(base, done, from);
        if (pi == p0) {
            append(saved, ofSaved[s0].from, ofSaved[si - 1].to);
        } else if (si == s0) {
            append(pad, ofPad[p0].from, ofPad[pi - 1].to);
        } else {
            const Tokens s = range(saved, ofSaved, s0, si, from, to);
            const Tokens p = range(pad, ofPad, p0, pi, from, to);
            if (s == p)
                append(s, 0, s.size());
            else
                conflict = resolve(base.mid(from, to - from), s, p, out) || conflict;
        }
        done = to;
    }
    append(base, done, base.size());
    return conflict;
}

bool spaceAt(QStringView token)
{
    return token.isEmpty() || token.front().isSpace();
}

// Words both sides changed: both versions next to each other, the saved one
// first, a space between where they would run together.
bool resolveWords(const Tokens& base, const Tokens& saved, const Tokens& pad, QStringList& out)
{
    // A deletion gives way to the pad's words, and tells nothing.
    if (saved.isEmpty()) {
        for (QStringView token : pad)
            out.append(token.toString());
        return false;
    }
    for (QStringView token : saved)
        out.append(token.toString());
    if (!pad.isEmpty() && !spaceAt(saved.back().last(1)) && !spaceAt(pad.front()))
        out.append(QStringLiteral(" "));
    for (QStringView token : pad)
        out.append(token.toString());
    // Both inserted at one place: nothing of either was changed by the other.
    return !base.isEmpty();
}

// Lines both sides changed are merged by words; lines both inserted at one
// place are all kept, the saved ones first.
bool resolveLines(const Tokens& base, const Tokens& saved, const Tokens& pad, QStringList& out)
{
    if (base.isEmpty()) {
        for (QStringView line : saved + pad)
            out.append(line.toString());
        return false;
    }
    QStringList merged;
    const bool conflict = merge3(words(base), words(saved), words(pad), merged, resolveWords);
    if (!merged.isEmpty())
        out.append(merged.join(QString()));
    return conflict;
}

} // namespace

Result merge(QStringView base, QStringView saved, QStringView pad)
{
    QStringList out;
    Result result;
    result.conflict = merge3(lines(base), lines(saved), lines(pad), out, resolveLines);
    result.text = out.join(lineBreak);
    return result;
}

} // namespace LineMerge
