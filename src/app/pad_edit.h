#pragma once

#include <QPlainTextEdit>
#include <QTextFormat>

// The pad: a multi-line editor without scroll bars that reads and writes
// its text in the form entries hold it (lines separated by CR LF).
class PadEdit final : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit PadEdit(QWidget* parent = nullptr);

    QString entryText() const;
    void setEntryText(const QString& text);

    // The format property that holds the character a stand-in shows.
    static constexpr int originalCharacter = QTextFormat::UserProperty + 1;

signals:
    // Before the pad handles a key: the platform's virtual-key code (0 for
    // a key without one) and the shift state (1 Shift, 2 Ctrl, 4 Alt).
    void keyDown(int keyCode, int shift);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
