#include "platform/widgets/help_check.h"

#include "platform/widgets/chm_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <chm_lib.h>

#include <memory>

namespace {

int readObject(chmFile* file, chmUnitInfo* unit, void*)
{
    if (unit->length == 0 || unit->length > ChmFile::largestObject)
        return CHM_ENUMERATOR_CONTINUE;
    const auto bytes = std::make_unique_for_overwrite<unsigned char[]>(size_t(unit->length));
    chm_retrieve_object(file, unit, bytes.get(), 0, LONGINT64(unit->length));
    return CHM_ENUMERATOR_CONTINUE;
}

} // namespace

HelpCheck::HelpCheck(const QString& program, QObject* parent)
    : QObject(parent), m_program(program.isEmpty() ? QCoreApplication::applicationFilePath() : program)
{
}

bool HelpCheck::checkWhole(const QString& file)
{
    chmFile* opened = chm_open(QFile::encodeName(file).constData());
    if (!opened)
        return false;
    chm_enumerate(opened, CHM_ENUMERATE_ALL, readObject, nullptr);
    chm_close(opened);
    return true;
}

void HelpCheck::check(const QString& file, const std::function<void(const QString&)>& done)
{
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable()) {
        done(QString());
        return;
    }
    const Key key{info.absoluteFilePath(), info.size(), info.lastModified()};
    if (const auto known = m_verdicts.constFind(key); known != m_verdicts.constEnd()) {
        done(*known);
        return;
    }
    auto* process = new QProcess(this);
    auto* limit = new QTimer(process);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, process, &QProcess::kill);
    // A check that could not start says nothing of the file: the next one
    // tries again.
    const auto verdict = [this, process, key, done](const QString& problem, bool remembered = true) {
        if (remembered)
            m_verdicts.insert(key, problem);
        process->deleteLater();
        done(problem);
    };
    connect(process, &QProcess::finished, this, [file, verdict](int exitCode, QProcess::ExitStatus status) {
        const bool whole = status == QProcess::NormalExit && exitCode == 0;
        verdict(whole ? QString() : QStringLiteral("The help file %1 is damaged.").arg(file));
    });
    connect(process, &QProcess::errorOccurred, this, [process, file, verdict](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            verdict(QStringLiteral("The help file %1 could not be checked: %2").arg(file, process->errorString()),
                    false);
    });
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(m_program, {QStringLiteral("--check-help"), file});
    limit->start(timeLimitMs);
}
