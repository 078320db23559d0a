#include "support/scripted_common_dialog.h"

#include <QtDebug>

void ScriptedCommonDialog::answerFont(const Font& font)
{
    m_answers.append(Answer{Kind::Font, font, {}, {}});
}

void ScriptedCommonDialog::answerColor(const QColor& color)
{
    m_answers.append(Answer{Kind::Color, {}, color, {}});
}

void ScriptedCommonDialog::answerSave(const QString& path)
{
    m_answers.append(Answer{Kind::Save, {}, {}, path});
}

void ScriptedCommonDialog::answerCancel()
{
    m_answers.append(Answer{});
}

std::optional<ScriptedCommonDialog::Answer> ScriptedCommonDialog::take(Kind kind)
{
    if (m_answers.isEmpty())
        return std::nullopt;
    Answer answer = m_answers.takeFirst();
    if (!answer.kind)
        return std::nullopt;
    if (*answer.kind != kind) {
        qWarning("ScriptedCommonDialog: the script answers another kind of dialog");
        return std::nullopt;
    }
    return answer;
}

std::optional<CommonDialogUi::Font> ScriptedCommonDialog::chooseFont(QWidget*, const Font& initial,
                                                                     bool offerEffects)
{
    Shown shown;
    shown.kind = Kind::Font;
    shown.font = initial;
    shown.offerEffects = offerEffects;
    m_shown.append(shown);
    if (auto answer = take(Kind::Font))
        return answer->font;
    return std::nullopt;
}

std::optional<QColor> ScriptedCommonDialog::chooseColor(QWidget*, const QColor& initial)
{
    Shown shown;
    shown.kind = Kind::Color;
    shown.color = initial;
    m_shown.append(shown);
    if (auto answer = take(Kind::Color))
        return answer->color;
    return std::nullopt;
}

std::optional<QString> ScriptedCommonDialog::chooseSaveFile(QWidget*, const QString& fileName,
                                                            const QStringList& nameFilters,
                                                            bool askBeforeReplacing)
{
    Shown shown;
    shown.kind = Kind::Save;
    shown.fileName = fileName;
    shown.nameFilters = nameFilters;
    shown.askBeforeReplacing = askBeforeReplacing;
    m_shown.append(shown);
    if (auto answer = take(Kind::Save))
        return answer->path;
    return std::nullopt;
}
