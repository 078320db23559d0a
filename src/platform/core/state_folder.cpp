#include "platform/core/state_folder.h"

#include <QDir>

QString programStateFolder()
{
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    return QDir(state.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/state") : state)
        .filePath(QStringLiteral("ombrel-jotwell"));
}
