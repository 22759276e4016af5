#include "runlogview.h"

#include "runlogmodel.h"

#include <QHeaderView>
#include <QScrollBar>

namespace tvx::ui {

// The log grows to 100,000 lines and more. A tree view lays out every row again after each appended
// line, so appending grows slower with the log's length; a table with rows of one fixed height costs
// the same for every line.
RunLogView::RunLogView(QWidget* parent)
    : QTableView(parent)
    , m_model(new RunLogModel(this))
{
    setObjectName(QStringLiteral("lvwLog"));
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Tab leaves the log instead of walking its cells, which would hold it there for every line.
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->resizeSection(RunLogModel::Time, 70);
}

void RunLogView::append(const QString& time, const QString& message)
{
    const QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    m_model->append(time, message);
    if (following)
        scrollToBottom();
}

} // namespace tvx::ui
