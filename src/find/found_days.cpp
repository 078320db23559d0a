#include "find/found_days.h"

#include <QApplication>
#include <QPainter>

namespace {

const QString ellipsis = QStringLiteral("...");

} // namespace

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
    const QFontMetrics boldMetrics(bold);

    QRect area = option.rect.adjusted(4, 0, -4, 0);
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

    // Where the line is wider than the room, it starts a little before the
    // first word found, so the word is seen with some of what leads to it.
    const int room = area.right() - x;
    qsizetype start = 0;
    if (normalMetrics.horizontalAdvance(line) > room && !marks.isEmpty()) {
        start = marks.first().x();
        int lead = 0;
        while (start > 0 && lead < room / 3)
            lead += normalMetrics.horizontalAdvance(line[--start]);
        if (start > 0)
            draw(ellipsis, normal);
    }
    const int stop = area.right() - normalMetrics.horizontalAdvance(ellipsis);
    qsizetype markAt = 0;
    for (qsizetype i = start; i < line.size(); ++i) {
        while (markAt < marks.size() && i >= marks[markAt].x() + marks[markAt].y())
            ++markAt;
        const bool inMark = markAt < marks.size() && i >= marks[markAt].x();
        const QFontMetrics& metrics = inMark ? boldMetrics : normalMetrics;
        if (x + metrics.horizontalAdvance(line[i]) > stop && i + 1 < line.size()) {
            draw(ellipsis, normal);
            break;
        }
        draw(QString(line[i]), inMark ? bold : normal);
    }
    painter->restore();
}
