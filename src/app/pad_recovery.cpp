#include "app/pad_recovery.h"

#include "app/frm_ojw.h"
#include "app/pad_edit.h"
#include "app/program.h"
#include "platform/widgets/message_box.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QStringList>

#include <cstdio>

namespace {

// Enough of the text to recognise it in a message box.
QString excerpt(const QString& text)
{
    constexpr int maxLines = 8;
    constexpr int maxChars = 400;
    QStringList lines = text.split(QStringLiteral("\r\n"));
    const bool more = lines.size() > maxLines;
    lines = lines.mid(0, maxLines);
    QString shown = lines.join(u'\n');
    if (shown.size() > maxChars)
        shown = shown.left(maxChars) + QStringLiteral("...");
    else if (more)
        shown += QStringLiteral("\n...");
    return shown;
}

} // namespace

PadRecovery::PadRecovery(Program& program) : m_program(program), m_file(program.folder())
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(delayMs);
    connect(&m_timer, &QTimer::timeout, this, &PadRecovery::update);
}

PadRecovery::~PadRecovery()
{
    if (!m_program.padState().dirty)
        m_file.remove();
}

void PadRecovery::padChanged()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void PadRecovery::padClean()
{
    m_timer.stop();
    m_file.remove();
}

bool PadRecovery::update()
{
    const frmOJW* main = m_program.mainWindow();
    const QString text = main ? main->txtPad->entryText() : QString();
    // An emptied pad has nothing to lose: the entry on disk is still there.
    if (!m_program.padState().dirty || text.isEmpty()) {
        m_file.remove();
        return true;
    }
    const auto error = m_file.write(m_program.dates(), m_program.padState().shownDate, text,
                                    m_program.loadedText(), QDateTime::currentDateTime());
    // The file is a safety net: a failure costs nothing yet, so the user's
    // typing is not interrupted for it, but it is said once on standard
    // error, and again only after a success.
    if (error && !m_failing)
        std::fprintf(stderr, "Ombrel JotWell: the unsaved text cannot be kept in %s: %s\n",
                     qPrintable(error->file), qPrintable(error->reason));
    m_failing = error.has_value();
    return !error;
}

QString PadRecovery::withRecovered(const RecoveryFile::Left& left, bool& changedSince) const
{
    const QString shown = m_program.mainWindow()->txtPad->entryText();
    const bool padHoldsOwnText = m_program.padState().dirty;
    changedSince = !padHoldsOwnText && !shown.isEmpty() && left.loadedHash != RecoveryFile::hashOf(shown);
    if (shown.isEmpty() || (!padHoldsOwnText && !changedSince))
        return left.text;
    return shown + QStringLiteral("\r\n\r\n") + left.text;
}

void PadRecovery::offerLeftovers()
{
    if (m_offered)
        return;
    m_offered = true;
    for (const RecoveryFile::Left& left : RecoveryFile::leftBehind(m_program.folder())) {
        if (!m_program.unattended())
            offer(left);
    }
}

void PadRecovery::offer(const RecoveryFile::Left& left)
{
    const QString title = Program::title();
    QWidget* parent = m_program.mainWindow();
    const QString when = left.written.isValid()
                             ? QLocale().toString(left.written, QLocale::ShortFormat)
                             : QStringLiteral("an unknown time");
    const QString question =
        QStringLiteral("Ombrel JotWell did not close properly last time. The pad held text for "
                       "%1 that had not been saved (kept at %2):\n\n%3\n\n"
                       "Put this text back into that day's entry?\n\n"
                       "Yes shows it in the pad for that day, to be saved like any change. "
                       "No keeps it in a file beside the diary.")
            .arg(m_program.dates().longText(left.day), when, excerpt(left.text));
    const MessageBox::Answer answer = m_program.messages().ask(parent, title, question, MessageBox::Answer::Yes);
    if (m_program.unattended())
        return; // closing: the file stays for the next start
    // The day is shown first (any unsaved text of the day shown now is
    // saved on the way).
    if (answer == MessageBox::Answer::Yes
        && (left.day == m_program.padState().shownDate || m_program.changeShownDate(left.day))) {
        bool changedSince = false;
        m_program.mainWindow()->txtPad->setEntryText(withRecovered(left, changedSince));
        m_program.padState().dirty = true;
        // The left file goes only once this copy's own file holds the text.
        m_timer.stop();
        if (update())
            QFile::remove(left.path);
        if (changedSince)
            m_program.messages().warn(
                parent, title,
                QStringLiteral("The entry for %1 was changed after this text was typed. Both are kept: "
                               "the pad shows the entry as it is now and, after an empty line, the "
                               "recovered text.")
                    .arg(m_program.dates().longText(left.day)));
        return;
    }
    QString rescuePath;
    if (const auto error = RecoveryFile::keepAsRescue(left, rescuePath)) {
        m_program.messages().warn(parent, title,
                                  QStringLiteral("The unsaved text could not be moved to a file of "
                                                 "its own. It stays in %1.\n\n%2")
                                      .arg(left.path, error->message()));
        return;
    }
    m_program.messages().warn(parent, title,
                              QStringLiteral("The unsaved text for %1 is kept in the file\n%2")
                                  .arg(m_program.dates().longText(left.day), rescuePath));
}
