#include "programfont.h"

#include <QApplication>
#include <QFont>

namespace tvx::platform {

void applyProgramFont(QApplication& app)
{
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Zen Hei")});
    font.setPointSize(9);
    app.setFont(font);
}

} // namespace tvx::platform
