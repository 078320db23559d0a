#include "app/pad_recovery.h"

#include "app/frm_ojw.h"
#include "app/pad_edit.h"
#include "app/program.h"
#include "platform/widgets/message_box.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

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

PadRecovery::PadRecovery(Program& program)
    : m_program(program), m_dates(program.dates()), m_file(program.folder())
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(delayMs);
    connect(&m_timer, &QTimer::timeout, this, &PadRecovery::update);
    m_worker = std::thread(&PadRecovery::work, this);
}

PadRecovery::~PadRecovery()
{
    {
        std::lock_guard queue(m_queue);
        m_stop = true;
    }
    m_wake.notify_one();
    m_worker.join(); // after the newest text, if one was waiting
    if (m_program.padState().dirty)
        return;
    const auto error = m_file.remove();
    if (error && !m_removeFailing)
        std::fprintf(stderr, "Ombrel JotWell: %s\n", qPrintable(removeFailed(*error)));
}

void PadRecovery::padChanged()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void PadRecovery::padClean()
{
    m_timer.stop();
    std::optional<FileError> error;
    {
        std::lock_guard writing(m_writing);
        {
            std::lock_guard queue(m_queue);
            m_next.reset();
        }
        error = m_file.remove();
    }
    if (error && !m_removeFailing)
        m_program.tell(removeFailed(*error));
    m_removeFailing = error.has_value();
}

QString PadRecovery::removeFailed(const FileError& error)
{
    return QStringLiteral("The file that kept the pad's unsaved text could not be removed, so the next "
                          "start may offer that text again, though it is no longer unsaved.\n\n%1")
        .arg(error.message());
}

PadRecovery::Kept PadRecovery::padNow() const
{
    const frmOJW* main = m_program.mainWindow();
    const QString text = main ? main->txtPad->entryText() : QString();
    // An emptied pad has nothing to lose: the entry on disk is still there.
    if (!m_program.padState().dirty || text.isEmpty())
        return {};
    return {m_program.padState().shownDate, text, m_program.loadedText(), QDateTime::currentDateTime()};
}

void PadRecovery::update()
{
    {
        std::lock_guard queue(m_queue);
        m_next = padNow();
    }
    m_wake.notify_one();
}

void PadRecovery::work()
{
    for (;;) {
        {
            std::unique_lock queue(m_queue);
            m_wake.wait(queue, [this] { return m_stop || m_next; });
            if (!m_next)
                return;
        }
        std::lock_guard writing(m_writing);
        std::optional<Kept> kept;
        {
            std::lock_guard queue(m_queue);
            kept.swap(m_next); // none if a removal came first
        }
        if (kept)
            keep(*kept);
    }
}

bool PadRecovery::keepNow()
{
    m_timer.stop();
    const Kept kept = padNow();
    std::lock_guard writing(m_writing);
    {
        std::lock_guard queue(m_queue);
        m_next.reset();
    }
    return keep(kept);
}

bool PadRecovery::keep(const Kept& kept)
{
    const auto error = kept.text.isEmpty()
                           ? m_file.remove()
                           : m_file.write(m_dates, kept.day, kept.text, kept.loadedText, kept.written);
    // The file is a safety net: a failure costs nothing yet, so the user's
    // typing is not interrupted for it, but it is said once on standard
    // error, and again only after a success.
    if (error && !m_failing)
        std::fprintf(stderr, "Ombrel JotWell: the unsaved text cannot be kept up to date in %s: %s\n",
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
        if (keepNow() && ::unlink(PosixIo::nativePath(left.path).constData()) != 0 && errno != ENOENT)
            m_program.tell(removeFailed(PosixIo::error(left.path, errno)));
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
    if (const auto error = RecoveryFile::keepAsRescue(left, m_program.dates(), m_program.folder(), rescuePath)) {
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
