#include "find/found_days.h"

#include <QApplication>
#include <QPainter>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

const QString ellipsis = QStringLiteral("...");

} // namespace

QList<FoundDays::Piece> FoundDays::fit(const QString& line, const QList<QPoint>& marks, int room,
                                       const QFont& font)
{
    QFont boldFont = font;
    boldFont.setBold(true);
    const QFontMetrics normal(font);
    const QFontMetrics bold(boldFont);
    QList<Piece> pieces;
    int used = 0;
    const auto add = [&](const QString& text, bool isBold) {
        if (!pieces.isEmpty() && pieces.last().bold == isBold)
            pieces.last().text += text;
        else
            pieces.append({text, isBold});
    };

    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, line);
    const auto characterBefore = [&](qsizetype at) {
        characters.setPosition(at);
        return std::max<qsizetype>(characters.toPreviousBoundary(), 0);
    };
    // Where the line is wider than the room, it starts a little before the
    // first word found, so the word is seen with some of what leads to it.
    qsizetype start = 0;
    if (normal.horizontalAdvance(line) > room && !marks.isEmpty()) {
        start = marks.first().x();
        characters.setPosition(start);
        if (!characters.isAtBoundary())
            start = characterBefore(start);
        int lead = 0;
        while (start > 0 && lead < room / 3) {
            const qsizetype before = characterBefore(start);
            lead += normal.horizontalAdvance(line.mid(before, start - before));
            start = before;
        }
        if (start > 0) {
            add(ellipsis, false);
            used += normal.horizontalAdvance(ellipsis);
        }
    }

    const int stop = room - normal.horizontalAdvance(ellipsis);
    qsizetype markAt = 0;
    characters.setPosition(start);
    for (qsizetype at = start; at < line.size();) {
        const qsizetype next = std::max<qsizetype>(characters.toNextBoundary(), at + 1);
        while (markAt < marks.size() && at >= marks[markAt].x() + marks[markAt].y())
            ++markAt;
        const bool inMark = markAt < marks.size() && at >= marks[markAt].x();
        const QString character = line.mid(at, next - at);
        const int width = (inMark ? bold : normal).horizontalAdvance(character);
        if (used + width > stop && next < line.size()) {
            add(ellipsis, false);
            break;
        }
        add(character, inMark);
        used += width;
        at = next;
    }
    return pieces;
}

void FoundDays::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem plain = option;
    initStyleOption(&plain, index);
    plain.text.clear();
    const QWidget* view = option.widget;
    QStyle* style = view ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &plain, painter, view);

    const QString date = index.data(DateTextRole).toString();
    const QString line = index.data(ExcerptRole).toString();
    const QList<QPoint> marks = index.data(MarksRole).value<QList<QPoint>>();
    QFont normal = option.font;
    QFont bold = normal;
    bold.setBold(true);
    const QFontMetrics normalMetrics(normal);

    const QRect area = option.rect.adjusted(4, 0, -4, 0);
    painter->save();
    painter->setPen(option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                : QPalette::Text));
    const int baseline = area.top() + (area.height() + normalMetrics.ascent() - normalMetrics.descent()) / 2;
    int x = area.left();
    const auto draw = [&](const QString& text, const QFont& font) {
        painter->setFont(font);
        painter->drawText(x, baseline, text);
        x += QFontMetrics(font).horizontalAdvance(text);
    };
    draw(date + QStringLiteral("   "), normal);

    for (const Piece& piece : fit(line, marks, area.right() - x, normal))
        draw(piece.text, piece.bold ? bold : normal);
    painter->restore();
}
