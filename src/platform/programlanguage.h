#pragma once

class QCoreApplication;

namespace tvx::platform {

// The program speaks Chinese whatever the desktop's language: Qt's own texts (the 是/否 and 确定 of
// message boxes, the context menus of text boxes, the names of accessible actions) are loaded from
// Qt's Chinese translations, which Debian ships in qt6-translations-l10n. Returns false when they
// are not installed; the program then shows those few texts in English.
bool applyProgramLanguage(QCoreApplication& app);

} // namespace tvx::platform
