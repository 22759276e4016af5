#pragma once

class QApplication;

namespace tvx::platform {

// The program's font: 宋体 of 9 points, or the installed CJK font closest to it.
void applyProgramFont(QApplication& app);

} // namespace tvx::platform
