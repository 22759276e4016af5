#pragma once

#include <QString>

namespace tvx::platform {

// The folder that holds the executable, without a trailing separator, and the files kept beside it.
QString programDir();
QString storePath();
QString helpPath();

} // namespace tvx::platform
