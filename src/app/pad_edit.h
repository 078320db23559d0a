#pragma once

#include <QPlainTextEdit>
#include <QTextFormat>

#include <functional>

class QMenu;

// The pad: a multi-line editor without scroll bars that reads and writes
// its text in the form entries hold it (lines separated by CR LF).
class PadEdit final : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit PadEdit(QWidget* parent = nullptr);

    // A line longer than this is wrapped anywhere, not at word boundaries,
    // which costs the editor time in the square of the line's length.
    static constexpr qsizetype longLine = 10'000;
    // A longer one the editor cannot lay out quickly at all: the text is
    // then shown in pieces, for reading only, and entryText() gives it back
    // unchanged (see isTooLongToEdit).
    static constexpr qsizetype maxEditableLine = 100'000;

    QString entryText() const;
    void setEntryText(const QString& text);

    // Selects a stretch given in entryText()'s units and scrolls it into view.
    void selectEntryRange(qsizetype start, qsizetype length);

    // Whether the text last set holds a line longer than maxEditableLine.
    bool isTooLongToEdit() const { return m_shownInPieces; }

    // What the pad's context menu gains, for the text position it is opened
    // at: the pointer's, or the cursor's when opened from the keyboard.
    using MenuAddition = std::function<void(QMenu& menu, int position)>;
    void setMenuAddition(MenuAddition addition) { m_menuAddition = std::move(addition); }

    // The format property that holds the character a stand-in shows.
    static constexpr int originalCharacter = QTextFormat::UserProperty + 1;

signals:
    // Before the pad handles a key: the platform's virtual-key code (0 for
    // a key the program does not listen for) and the shift state (1 Shift,
    // 2 Ctrl, 4 Alt).
    void keyDown(int keyCode, int shift);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    MenuAddition m_menuAddition;
    bool m_shownInPieces = false;
    QString m_entry; // the text shown in pieces
};
