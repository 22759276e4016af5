#pragma once

#include "core/webhosts.h"
#include "engine/runhost.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>

class QProgressBar;
class QWebEngineView;
class QWidget;

namespace tvx::store {
struct ProgramStore;
}
namespace tvx::controls {
class Command;
}
namespace tvx::engine {
class Clock;
class SubmissionEngine;
} // namespace tvx::engine
namespace tvx::platform {
class QtTicker;
class WebBrowser;
} // namespace tvx::platform

namespace tvx::ui {

class RunLogView;
class UrlListController;

// The main window as the submission engine sees it: the run log, the URL list, the progress bar, the
// buttons a run locks and relabels, the message boxes and the submit-site selection. It also owns the
// run itself: the engine, the worker browser's adapter and the two timers Timer1 (the watchdog) and
// Timer2 (the delayed filler), and it starts a run from 全部提交(&M) and 提交(&I).
class MainRunHost final : public QObject, public engine::RunHost {
    Q_OBJECT
public:
    struct Controls {
        RunLogView* lvwLog = nullptr;
        QProgressBar* pbProcess = nullptr;
        QWebEngineView* wb = nullptr; // the worker browser
        std::map<engine::RunButton, controls::Command*> buttons;
    };

    // Message boxes and the submit-site selection open over `window`.
    MainRunHost(const Controls& controls, UrlListController& urls, store::ProgramStore& store,
                const engine::Clock& clock, const WebHosts& hosts, QWidget* window);
    ~MainRunHost() override;

    engine::SubmissionEngine& engine() const { return *m_engine; }
    platform::WebBrowser* browser() const { return m_browser; }

    void addLog(const QString& message) override;
    qint32 rowCount() const override;
    Bookmark bookmark(qint32 row) const override;
    bool hasSelectedRow() const override;
    void focusUrlList() override;
    void setProgress(int percent) override;
    void setProgressVisible(bool visible) override;
    void setButtonEnabled(engine::RunButton button, bool enabled) override;
    void setButtonCaption(engine::RunButton button, const QString& caption) override;
    QString buttonCaption(engine::RunButton button) const override;
    void showInformation(const QString& text) override;
    void showError(const QString& text) override;
    std::optional<QString> chooseSubmitSites() override;
    // The submit-site selection without its dialog: the ids given by `chooser` (a program without a window).
    void setSiteChooser(std::function<std::optional<QString>()> chooser) { m_chooser = std::move(chooser); }

private:
    controls::Command* button(engine::RunButton which) const { return m_c.buttons.at(which); }

    Controls m_c;
    UrlListController& m_urls;
    store::ProgramStore& m_store;
    const engine::Clock& m_clock;
    QWidget* m_window;
    platform::WebBrowser* m_browser = nullptr;
    platform::QtTicker* m_timer1 = nullptr;
    platform::QtTicker* m_timer2 = nullptr;
    std::unique_ptr<engine::SubmissionEngine> m_engine;
    std::function<std::optional<QString>()> m_chooser;
};

} // namespace tvx::ui
