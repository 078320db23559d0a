#include "store/conflict_copy_names.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace ConflictCopyNames {

bool isConflictCopyOf(const QString& name, const QString& original)
{
    const QFileInfo file(original);
    const QString stem = QRegularExpression::escape(file.completeBaseName());
    const QString ext = QRegularExpression::escape(file.suffix().isEmpty() ? QString() : u'.' + file.suffix());
    static const QString forms[] = {
        // Syncthing: the moment and the short id of the device that made
        // the change; versions before 0.14 wrote no id.
        QStringLiteral("%1\\.sync-conflict-\\d{8}-\\d{6}(-[A-Z0-9]{7})?%2"),
        // Nextcloud and ownCloud, the newer form (some put the user's name
        // before the moment) and the older one.
        QStringLiteral("%1 \\(conflicted copy( [^()]+)? \\d{4}-\\d{2}-\\d{2} \\d{6}\\)%2"),
        QStringLiteral("%1_conflict-\\d{8}-\\d{6}%2"),
        // Dropbox: whose (a user's or a computer's name), the day, and a
        // number where that name is taken.
        QStringLiteral("%1 \\(([^()]+['\u2019]s )?conflicted copy \\d{4}-\\d{2}-\\d{2}( \\(\\d+\\))?\\)%2"),
    };
    for (const QString& form : forms) {
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(form.arg(stem, ext)));
        if (pattern.match(name).hasMatch())
            return true;
    }
    return false;
}

} // namespace ConflictCopyNames
