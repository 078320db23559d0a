// The settings file seen from the main window: the pad's font and colours
// and the date style, read at start and written after every font or colour
// command and at close.
#include "app/frm_ojw.h"

#include "app/pad_edit.h"
#include "app/program.h"
#include "platform/widgets/message_box.h"
#include "settings/settings_file.h"

#include <QApplication>
#include <QFontDatabase>

namespace {

// What the pad looks like before any settings are read: a normal text box
// in the desktop's general font, the face its text boxes use for prose.
Settings padDefaults(int dateStyle)
{
    const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    Settings values;
    values.fontName = general.family();
    values.fontSize = general.pointSizeF() > 0 ? float(general.pointSizeF()) : 10.0f;
    values.foreColor = ColorValue::windowText;
    values.backColor = ColorValue::windowBackground;
    values.dateStyle = qint16(dateStyle);
    return values;
}

} // namespace

void frmOJW::LoadConfig()
{
    // Whatever the file lacks, or holds in a form that does not read, keeps
    // its default; the lines after it are still read.
    Settings values = padDefaults(m_program.padState().dateStyle);
    const SettingsFile file(m_program.folder(), m_program.dates().locale());
    if (const auto failure = file.load(values)) {
        m_program.messages().warn(
            this, Program::title(),
            QStringLiteral("The settings could not be read; the pad starts with its usual "
                           "font and colours.\n\n%1").arg(failure->message()));
    }
    setPadFont(values.fontName, values.fontBold, values.fontItalic, values.fontSize);
    setPadForeColor(values.foreColor);
    setPadBackColor(values.backColor);
    m_program.padState().dateStyle = values.dateStyle;
}

void frmOJW::SaveConfig()
{
    const QFont font = txtPad->font();
    Settings values;
    values.fontName = font.family();
    values.fontBold = font.bold();
    values.fontItalic = font.italic();
    values.fontSize = float(font.pointSizeF());
    values.foreColor = m_padForeColor;
    values.backColor = m_padBackColor;
    values.dateStyle = qint16(m_program.padState().dateStyle);

    const SettingsFile file(m_program.folder(), m_program.dates().locale());
    bool written = false;
    const auto failure = file.save(values, &written);
    if (!failure || m_settingsWriteReported)
        return;
    // Once per run: the pad keeps its look all the same, and every later
    // write tries again without a word.
    m_settingsWriteReported = true;
    const QString text = (written ? QStringLiteral("The font, colours and date style were saved, but the "
                                                   "disk did not confirm it. If the computer loses power "
                                                   "soon, the next start may not have them.\n\n%1")
                                  : QStringLiteral("The font, colours and date style could not be saved "
                                                   "for the next start.\n\n%1"))
                             .arg(failure->message());
    m_program.tell(text);
}

void frmOJW::setPadFont(const QString& name, bool bold, bool italic, float points)
{
    QFont font = txtPad->font();
    // The name as given, installed or not: the font system draws its
    // nearest match, and the name goes back to the file unchanged.
    font.setFamily(name);
    font.setBold(bold);
    font.setItalic(italic);
    if (points > 0)
        font.setPointSizeF(points);
    txtPad->setFont(font);
}

void frmOJW::setPadForeColor(qint32 value)
{
    setPadColor(value, m_padForeColor, QPalette::Text);
}

void frmOJW::setPadBackColor(qint32 value)
{
    setPadColor(value, m_padBackColor, QPalette::Base);
}

void frmOJW::setPadColor(qint32 value, qint32& kept, QPalette::ColorRole role)
{
    if (!ColorValue::isValid(value))
        return;
    kept = value;
    QPalette palette = txtPad->palette();
    ColorValue::apply(value, palette, role, QApplication::palette());
    txtPad->setPalette(palette);
}
