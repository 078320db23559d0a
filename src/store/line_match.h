#pragma once

#include <QList>
#include <QStringView>

#include <vector>

// The common lines (or words) of two texts: a longest common subsequence,
// after the shared head and tail are matched directly; the three-way merge
// and the join of two texts without a common base both use it.
namespace LineMatch {

using Lines = QList<QStringView>;

// Up to this many pairs are compared all with all; longer texts are
// matched only as far as they differ little (up to 2,000 differences), and
// past that taken as one changed stretch: nothing is lost, the lines only
// match less finely.
inline constexpr qsizetype maxCells = 4'000'000;

// The lines of a text separated by CR LF; none for an empty text.
Lines split(QStringView text);

// For each token of a, the index of the token of b it is matched with, or
// -1. Matched indexes rise with a's.
std::vector<qsizetype> match(const Lines& a, const Lines& b);

} // namespace LineMatch
