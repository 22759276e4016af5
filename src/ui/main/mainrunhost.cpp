#include "mainrunhost.h"

#include "controls/button/command.h"
#include "engine/clock.h"
#include "engine/submissionengine.h"
#include "platform/messagebox.h"
#include "platform/qtticker.h"
#include "platform/webbrowser.h"
#include "runlogview.h"
#include "store/programstore.h"
#include "ui/dialogs/submitsitesdialog.h"
#include "urllistcontroller.h"

#include <QProgressBar>

#include <algorithm>

namespace tvx::ui {

MainRunHost::MainRunHost(const Controls& controls, UrlListController& urls, store::ProgramStore& store,
                         const engine::Clock& clock, const WebHosts& hosts, QWidget* window)
    : QObject(window)
    , m_c(controls)
    , m_urls(urls)
    , m_store(store)
    , m_clock(clock)
    , m_window(window)
{
    m_browser = new platform::WebBrowser(m_c.wb, this);
    // A page step may hold the run no longer than a step may wait for its page (the time-out and the
    // watchdog's second), and never more than ten seconds: a page whose scripts never stop then costs
    // no more than a page that never comes.
    m_browser->setStepGuard([this] { return std::clamp((int(m_store.gintTimeout) + 1) * 1000, 1000, 10000); });
    m_timer1 = new platform::QtTicker(1000, this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer2 = new platform::QtTicker(1000, this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_engine =
        std::make_unique<engine::SubmissionEngine>(*this, *m_browser, m_clock, *m_timer1, *m_timer2, m_store, hosts);
    m_browser->setEvents(m_engine.get());
    connect(button(engine::RunButton::AllSubmit), &controls::Command::Click, this,
            [this] { m_engine->cmdAllSubmit_Click(); });
    connect(button(engine::RunButton::Submit), &controls::Command::Click, this,
            [this] { m_engine->cmdSubmit_Click(); });
}

MainRunHost::~MainRunHost()
{
    // The engine goes first: nothing may reach it from the browser or the timers afterwards.
    m_browser->setEvents(nullptr);
    m_engine.reset();
}

void MainRunHost::addLog(const QString& message)
{
    m_c.lvwLog->append(m_clock.localTime().toString(QStringLiteral("HH:mm:ss")), message);
}

qint32 MainRunHost::rowCount() const
{
    return m_urls.rowCount();
}

Bookmark MainRunHost::bookmark(qint32 row) const
{
    return m_urls.bookmark(row);
}

bool MainRunHost::hasSelectedRow() const
{
    return m_urls.hasSelectedRow();
}

void MainRunHost::focusUrlList()
{
    m_urls.focusList();
}

void MainRunHost::setProgress(int percent)
{
    m_c.pbProcess->setValue(percent);
}

void MainRunHost::setProgressVisible(bool visible)
{
    m_c.pbProcess->setVisible(visible);
}

void MainRunHost::setButtonEnabled(engine::RunButton which, bool enabled)
{
    button(which)->setEnabled(enabled);
}

void MainRunHost::setButtonCaption(engine::RunButton which, const QString& caption)
{
    button(which)->setCaption(caption);
}

QString MainRunHost::buttonCaption(engine::RunButton which) const
{
    return button(which)->caption();
}

void MainRunHost::showInformation(const QString& text)
{
    MessageBox::information(m_window, text);
}

void MainRunHost::showError(const QString& text)
{
    MessageBox::error(m_window, text);
}

std::optional<QString> MainRunHost::chooseSubmitSites()
{
    if (m_chooser)
        return m_chooser();
    dialogs::SubmitSitesDialog frmSelWeb(m_store, m_window);
    frmSelWeb.exec();
    if (!frmSelWeb.gblnOK)
        return std::nullopt;
    return frmSelWeb.gstrBookMark;
}

} // namespace tvx::ui
