#pragma once

#include <QTableView>

namespace tvx::ui {

class RunLogModel;

// lvwLog: the run log on the main window, one row per line (time, message), only ever appended to.
// It follows its newest line while the user has it scrolled to the end, and stays where the user
// scrolled it otherwise.
class RunLogView final : public QTableView {
    Q_OBJECT
public:
    explicit RunLogView(QWidget* parent = nullptr);

    RunLogModel* logModel() const { return m_model; }
    void append(const QString& time, const QString& message);

private:
    RunLogModel* m_model = nullptr;
};

} // namespace tvx::ui
