#include "paths.h"

#include <QCoreApplication>

namespace tvx::platform {

QString programDir()
{
    return QCoreApplication::applicationDirPath();
}

QString storePath()
{
    return programDir() + QStringLiteral("/tvx.cfg");
}

QString helpPath()
{
    return programDir() + QStringLiteral("/readme.html");
}

} // namespace tvx::platform
