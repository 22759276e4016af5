#pragma once

#include "ui/main/urllistmodel.h"

// The changes the killed program makes to its URL list, one after another, the same in the program
// and in the test that replays them: adding one bookmark (as the add button does), adding ten (as an
// import does), removing a row, and now and then clearing the list.
namespace tvx::test::listops {

inline tvx::Bookmark mark(int i)
{
    return {QStringLiteral("http://kill%1.example.com/页面?q='%1'").arg(i), QStringLiteral("第 %1 个 \"书签\"").arg(i),
            QStringLiteral("标签 t%1").arg(i % 5), QStringLiteral("摘要\n%1").arg(i)};
}

inline void apply(ui::UrlListModel& model, int step)
{
    if (step % 97 == 96) {
        model.clear();
    } else if (step % 7 == 3 && model.rowCount() > 0) {
        model.removeAt((step * 31) % model.rowCount());
    } else if (step % 11 == 5) {
        QList<tvx::Bookmark> many;
        for (int i = 0; i < 10; ++i)
            many.append(mark(step * 100 + i));
        model.appendMany(many);
    } else {
        model.append(mark(step));
    }
}

} // namespace tvx::test::listops
