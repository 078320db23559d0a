#include "app/program_icon.h"

#include <QPixmap>

#include "app/ojw_icon.xpm"

QIcon programIcon()
{
    return QIcon(QPixmap(ojw_icon));
}
