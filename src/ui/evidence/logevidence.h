#pragma once

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QWebEngineView;

namespace tvx::engine {
class SubmissionEngine;
}

namespace tvx::ui {

class EvidenceRecorder;
class RunLogView;

// The failure evidence on the main window: it keeps the evidence of the runs' failing steps (an
// EvidenceRecorder on the engine) and opens it from the run log: a double-click on an error line
// opens the picture of its page; the line's context menu also opens the page's document and the run's
// evidence folder.
class LogEvidence final : public QObject {
    Q_OBJECT
public:
    using Opener = std::function<bool(const QUrl&)>;

    // `root` is the evidence folder (empty: the user's data folder).
    LogEvidence(RunLogView& log, QWebEngineView* worker, engine::SubmissionEngine& engine, const QString& root,
                Opener open, QObject* parent);
    ~LogEvidence() override;

    EvidenceRecorder& recorder() const { return *m_recorder; }
    QMenu* menu() const { return m_menu; }

private:
    void lineActivated(int line);
    void showMenu(const QPoint& at);
    void open(const QString& path);

    RunLogView& m_log;
    Opener m_open;
    std::unique_ptr<EvidenceRecorder> m_recorder;
    QMenu* m_menu = nullptr;
    QAction* m_mnuPicture = nullptr;
    QAction* m_mnuDocument = nullptr;
    QAction* m_mnuFolder = nullptr;
};

} // namespace tvx::ui
