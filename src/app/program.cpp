#include "app/program.h"

#include "app/frm_ojw.h"
#include "app/pad_edit.h"
#include "app/rescue_file.h"
#include "platform/core/clock.h"
#include "platform/widgets/message_box.h"

#include <QDir>
#include <QLabel>

Program::Program(const QString& folder, const QLocale& locale, const Clock& clock,
                 MessageBox& messages)
    : m_folder(folder),
      m_dates(locale),
      m_clock(clock),
      m_messages(messages),
      m_entries(folder, m_dates)
{
}

Program::~Program() = default;

QString Program::title()
{
    return QStringLiteral("Ombrel JotWell");
}

void Program::start()
{
    if (const auto error = m_entries.recover())
        report(QStringLiteral("The entries left by an interrupted save could not be restored."), *error);

    m_main = std::make_unique<frmOJW>(*this);
    m_activation.add(m_main.get(), m_main.get());
    m_main->Form_Load();
    m_main->show();
    m_activation.shown(m_main.get());
}

void Program::InitialisePadState()
{
    m_state.dateStyle = 1;
    m_helpFile = QDir(m_folder).filePath(QStringLiteral("OJW.chm"));
    m_state.shownDate = m_clock.today();
    m_state.dirty = false;
}

void Program::LoadEntry()
{
    PadEdit* pad = m_main->txtPad;
    pad->setEntryText(QString());
    m_main->showDateCaption();
    QPalette palette = m_main->lblDate->palette();
    palette.setColor(QPalette::WindowText,
                     m_state.shownDate == m_clock.today() ? QColor(0xFF, 0, 0) : QColor(0, 0, 0));
    m_main->lblDate->setPalette(palette);

    QString text;
    const auto error = m_entries.load(m_state.shownDate, text);
    pad->setEntryText(text);
    // Text typed over an entry that could not be read would replace it at
    // the next save: the pad stays locked until the entry reads.
    pad->setReadOnly(error.has_value());
    m_state.dirty = false;
    pad->setFocus();
    if (error)
        report(QStringLiteral("The entry could not be read. The pad stays locked until it can be."),
               *error);
}

std::optional<FileError> Program::trySaveEntry()
{
    const QString text = m_main->txtPad->entryText();
    if (text.isEmpty())
        m_state.emptyPad = true;
    const bool remove = m_state.emptyPad;
    // The flag only ever means "this save removes the entry": a failed save
    // must not let it remove the text typed after it.
    m_state.emptyPad = false;
    if (auto error = m_entries.save(m_state.shownDate, text, remove))
        return error;
    m_state.dirty = false;
    return std::nullopt;
}

void Program::SaveEntry()
{
    if (const auto error = trySaveEntry())
        report(QStringLiteral("The entry could not be saved. Its text stays in the pad and "
                              "is saved again at the next opportunity."),
               *error);
}

bool Program::saveIfDirty()
{
    if (m_state.dirty)
        SaveEntry();
    return !m_state.dirty;
}

bool Program::ClearEntryFile()
{
    if (const auto error = m_entries.clear()) {
        report(QStringLiteral("The entries could not be erased."), *error);
        return false;
    }
    return true;
}

void Program::SyncCalendar()
{
    // Only an open calendar window follows the shown date; no window of the
    // program opens it yet, so the flag is never set.
    if (!m_state.calendarOpen)
        return;
}

void Program::closeUnattended()
{
    m_unattended = true;
    if (m_main && m_main->isVisible())
        m_main->close();
}

void Program::rescuePad(const FileError& error)
{
    writeRescueFile({m_folder, QDir::homePath(), QDir::tempPath()}, m_dates, m_state.shownDate,
                    m_main->txtPad->entryText(), error);
}

void Program::report(const QString& what, const FileError& error)
{
    if (m_unattended) {
        qWarning("%s\n%s", qPrintable(what), qPrintable(error.message()));
        return;
    }
    m_messages.warn(m_main.get(), title(), what + QStringLiteral("\n\n") + error.message());
}
