#pragma once

#include <QPlainTextEdit>

// The pad: a multi-line editor without scroll bars that reads and writes
// its text in the form entries hold it (lines separated by CR LF).
class PadEdit final : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit PadEdit(QWidget* parent = nullptr);

    QString entryText() const;
    void setEntryText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
