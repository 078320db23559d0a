#include "platform/widgets/common_dialog.h"

#include "platform/widgets/color_value.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>

CommonDialog::CommonDialog(QWidget* parent, CommonDialogUi* ui)
    : m_parent(parent)
{
    if (!ui) {
        m_ownUi = std::make_unique<QtCommonDialogUi>();
        ui = m_ownUi.get();
    }
    m_ui = ui;
}

CommonDialog::Result CommonDialog::ShowFont()
{
    const CommonDialogUi::Font initial{FontName, FontBold, FontItalic, FontSize};
    const auto chosen = m_ui->chooseFont(m_parent, initial, (Flags & cdlCFEffects) != 0);
    if (!chosen)
        return cancelled();
    FontName = chosen->name;
    FontBold = chosen->bold;
    FontItalic = chosen->italic;
    FontSize = chosen->size;
    return Result::Ok;
}

CommonDialog::Result CommonDialog::ShowColor()
{
    const QColor initial = (Flags & cdlCCRGBInit) != 0
        ? ColorValue::toColor(Color, QGuiApplication::palette())
        : QColor();
    const auto chosen = m_ui->chooseColor(m_parent, initial);
    if (!chosen || !chosen->isValid())
        return cancelled();
    Color = ColorValue::fromColor(*chosen);
    return Result::Ok;
}

CommonDialog::Result CommonDialog::ShowSave(Replace replace)
{
    const bool ask = replace == Replace::AlwaysAsk || (Flags & cdlOFNOverwritePrompt) != 0;
    const auto chosen = m_ui->chooseSaveFile(m_parent, FileName, nameFilters(Filter), ask);
    if (!chosen || chosen->isEmpty())
        return cancelled();
    FileName = *chosen;
    return Result::Ok;
}

QStringList CommonDialog::nameFilters(const QString& filter)
{
    QStringList result;
    if (filter.isEmpty())
        return result;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts.value(i + 1).split(u';', Qt::SkipEmptyParts)) {
            // "*.*" means every file; here it would miss names without a dot.
            patterns.append(pattern.trimmed() == u"*.*" ? QStringLiteral("*") : pattern.trimmed());
        }
        result.append(QStringLiteral("%1 (%2)").arg(parts[i], patterns.isEmpty() ? QStringLiteral("*")
                                                                                   : patterns.join(u' ')));
    }
    return result;
}

std::optional<CommonDialogUi::Font> QtCommonDialogUi::chooseFont(QWidget* parent,
                                                                 const Font& initial,
                                                                 bool offerEffects)
{
    QFont font(initial.name);
    if (initial.size > 0)
        font.setPointSizeF(initial.size);
    font.setBold(initial.bold);
    font.setItalic(initial.italic);

    QFontDialog dialog(parent);
    dialog.setCurrentFont(font);
    // How the dialog shows the caller's font: for a family that is not
    // installed, another family and perhaps another style. What the user
    // leaves as shown comes back as the caller gave it, so pressing OK
    // changes nothing.
    const QFont shown = dialog.currentFont();
    if (!offerEffects) {
        // Qt's dialog has no option for this: its underline and strikeout
        // boxes sit together in one group. The sample beside it would
        // shrink to nothing without it, so it takes the group's height.
        auto* sample = dialog.findChild<QLineEdit*>(QStringLiteral("qt_fontDialog_sampleEdit"));
        for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
            auto* group = qobject_cast<QGroupBox*>(box->parentWidget());
            if (!group || group->isHidden())
                continue;
            if (sample)
                sample->setMinimumHeight(group->sizeHint().height());
            group->hide();
        }
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;

    const QFont chosen = dialog.selectedFont();
    Font result = initial;
    if (chosen.family() != shown.family())
        result.name = chosen.family();
    if (chosen.bold() != shown.bold() || chosen.italic() != shown.italic()) {
        result.bold = chosen.bold();
        result.italic = chosen.italic();
    }
    if (chosen.pointSizeF() > 0 && chosen.pointSizeF() != shown.pointSizeF())
        result.size = float(chosen.pointSizeF());
    return result;
}

std::optional<QColor> QtCommonDialogUi::chooseColor(QWidget* parent, const QColor& initial)
{
    // Cancel gives an invalid colour.
    const QColor chosen = QColorDialog::getColor(initial.isValid() ? initial : QColor(Qt::white), parent);
    return chosen.isValid() ? std::optional(chosen) : std::nullopt;
}

std::optional<QString> QtCommonDialogUi::chooseSaveFile(QWidget* parent, const QString& fileName,
                                                        const QStringList& nameFilters,
                                                        bool askBeforeReplacing)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The list shows the descriptions as given; their patterns are in them.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !askBeforeReplacing);
    if (!nameFilters.isEmpty())
        dialog.setNameFilters(nameFilters);
    if (!fileName.isEmpty())
        dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}
