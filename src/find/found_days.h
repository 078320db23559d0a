#pragma once

#include <QStyledItemDelegate>

// The rows of the find window's list: the day, then the line where the
// query first stands, cut to fit around it with "..." where cut, the
// query's words in bold. Each row's item holds the day's text (Qt::UserRole:
// the date, ExcerptRole: the line, MarksRole: the words' stretches in it).
class FoundDays final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int DayRole = Qt::UserRole;
    static constexpr int ExcerptRole = Qt::UserRole + 1;
    static constexpr int MarksRole = Qt::UserRole + 2;   // QList<QPoint>: start, length
    static constexpr int DateTextRole = Qt::UserRole + 3;

    using QStyledItemDelegate::QStyledItemDelegate;

    // A stretch of a row's line as it is drawn.
    struct Piece
    {
        QString text;
        bool bold = false;
    };

    // What of the line fits in `room` pixels of `font`: where the line is
    // wider, a stretch that starts a little before the first word found,
    // with "..." where cut, the words in bold. A character is never cut in
    // two (an emoji, a letter with a combining accent).
    static QList<Piece> fit(const QString& line, const QList<QPoint>& marks, int room, const QFont& font);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
