#pragma once

#include "platform/widgets/common_dialog.h"

#include <QList>

// Answers the common dialog's font, colour and Save As dialogs from a
// script, as a user would, and keeps what each dialog opened on, so a test
// can check the presets the user saw.
class ScriptedCommonDialog final : public CommonDialogUi
{
public:
    enum class Kind { Font, Color, Save };

    struct Shown
    {
        Kind kind = Kind::Font;
        Font font;                 // Font: what the dialog opened on
        bool offerEffects = false; // Font
        QColor color;              // Color: what the dialog opened on
        QString fileName;          // Save: the name proposed
        QStringList nameFilters;   // Save
        bool askBeforeReplacing = false; // Save
    };

    // The answers to give, in order; each is OK with a choice, or Cancel.
    // A dialog beyond the script is cancelled, as Escape would. An answer
    // of the wrong kind cancels too, with a warning.
    void answerFont(const Font& font);
    void answerColor(const QColor& color);
    void answerSave(const QString& path);
    void answerCancel();

    const QList<Shown>& shown() const { return m_shown; }
    qsizetype pendingAnswers() const { return m_answers.size(); }

    std::optional<Font> chooseFont(QWidget* parent, const Font& initial,
                                   bool offerEffects) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) override;
    std::optional<QString> chooseSaveFile(QWidget* parent, const QString& fileName,
                                          const QStringList& nameFilters,
                                          bool askBeforeReplacing) override;

private:
    struct Answer
    {
        std::optional<Kind> kind; // none: Cancel
        Font font;
        QColor color;
        QString path;
    };

    // The next answer if it is OK for a dialog of this kind.
    std::optional<Answer> take(Kind kind);

    QList<Answer> m_answers;
    QList<Shown> m_shown;
};
