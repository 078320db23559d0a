#include "store/line_merge.h"

#include "store/line_match.h"

#include <QList>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace LineMerge {
namespace {

using Tokens = QList<QStringView>;

constexpr QStringView lineBreak = u"\r\n";

Tokens lines(QStringView text)
{
    return LineMatch::split(text);
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

// One side's change: base tokens [baseFrom, baseTo) became the side's
// tokens [from, to). An insertion has an empty base range.
struct Hunk
{
    qsizetype baseFrom, baseTo, from, to;
};

std::vector<Hunk> hunks(const Tokens& base, const Tokens& side)
{
    const std::vector<qsizetype> matched = LineMatch::match(base, side);
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
