#include "pagesnapshot.h"

#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <algorithm>

namespace tvx::ui {

namespace {
// How often the view is looked at until the document has been drawn.
constexpr int kPollMs = 40;
// A point of this colour is put on the view's last row, below what is kept: once it shows, the frame
// holds the document as laid out.
const QColor kMarker(1, 254, 2);

// The document's height, and the marker put in place (by the program, in a world of its own: the
// page's own scripts are off).
QString measureScript()
{
    return QStringLiteral(
               "(function(){var d=document.documentElement,b=document.body;"
               "var h=Math.max(d?d.scrollHeight:0,d?d.offsetHeight:0,b?b.scrollHeight:0,b?b.offsetHeight:0);"
               "var m=document.createElement('div');"
               "m.style.cssText='position:fixed;left:0;top:%1px;width:4px;height:1px;margin:0;padding:0;border:0;"
               "background:rgb(1,254,2);z-index:2147483647';"
               "(b||d).appendChild(m);return h;})()")
        .arg(PageSnapshot::kMaxHeight);
}

bool isMarker(QRgb pixel)
{
    return qAbs(qRed(pixel) - kMarker.red()) < 8 && qAbs(qGreen(pixel) - kMarker.green()) < 8 &&
           qAbs(qBlue(pixel) - kMarker.blue()) < 8;
}
} // namespace

// The snapshot's page: it shows the document it is given and goes nowhere else (no link, no form, no
// refresh, no window of its own).
class SnapshotPage final : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;
    void allowOne() { m_allowed = true; }

protected:
    bool acceptNavigationRequest(const QUrl&, NavigationType, bool isMainFrame) override
    {
        if (!isMainFrame)
            return false;
        const bool allowed = m_allowed;
        m_allowed = false;
        return allowed;
    }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

private:
    bool m_allowed = false;
};

PageSnapshot::PageSnapshot(QObject* parent)
    : QObject(parent)
{
}

PageSnapshot::~PageSnapshot()
{
    // The view goes before its page (the view does not own a page it was given).
    delete m_view;
    delete m_page;
}

void PageSnapshot::draw(const QString& html, const QUrl& address, Answer answer)
{
    m_jobs.push_back({html, address, std::move(answer)});
    if (!m_busy)
        next();
}

void PageSnapshot::next()
{
    if (m_jobs.empty())
        return;
    if (!m_view) {
        m_view = new QWebEngineView;
        m_view->setObjectName(QStringLiteral("evidenceSnapshot"));
        m_view->setAttribute(Qt::WA_DontShowOnScreen);
        // Never a reason to keep the program running once the main window has closed.
        m_view->setAttribute(Qt::WA_QuitOnClose, false);
        m_page = new SnapshotPage(QWebEngineProfile::defaultProfile());
        QWebEngineSettings* s = m_page->settings();
        s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        s->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
        s->setAttribute(QWebEngineSettings::ShowScrollBars, false);
        m_page->setAudioMuted(true);
        m_view->setPage(m_page);
        connect(m_page, &QWebEnginePage::loadFinished, this, &PageSnapshot::loaded);
        // One row more than is ever kept, for the marker.
        m_view->resize(kWidth, kMaxHeight + 1);
        m_view->show();
    }
    m_busy = true;
    const int serial = ++m_serial;
    QTimer::singleShot(kGuardMs, this, [this, serial] {
        if (m_busy && serial == m_serial)
            finish({});
    });
    m_page->allowOne();
    m_page->setHtml(m_jobs.front().html, m_jobs.front().address);
}

void PageSnapshot::loaded(bool)
{
    if (!m_busy)
        return;
    const int serial = m_serial;
    m_page->runJavaScript(measureScript(), QWebEngineScript::ApplicationWorld, [this, serial](const QVariant& h) {
        if (m_busy && serial == m_serial)
            measured(h.toInt());
    });
}

void PageSnapshot::measured(int height)
{
    m_height = std::clamp(height, 1, kMaxHeight);
    m_polls = 0;
    poll();
}

void PageSnapshot::poll()
{
    if (!m_busy)
        return;
    const int serial = m_serial;
    // Only the marker's corner: the whole view is taken once it shows.
    const QImage corner = m_view->grab(QRect(0, kMaxHeight, 4, 1)).toImage();
    if (!corner.isNull() && isMarker(corner.pixel(0, corner.height() - 1))) {
        const QImage whole = m_view->grab(QRect(0, 0, kWidth, m_height)).toImage();
        finish(whole);
        return;
    }
    ++m_polls;
    QTimer::singleShot(kPollMs, this, [this, serial] {
        if (m_busy && serial == m_serial)
            poll();
    });
}

void PageSnapshot::finish(const QImage& picture)
{
    m_busy = false;
    ++m_serial;
    Job job = std::move(m_jobs.front());
    m_jobs.pop_front();
    job.answer(picture);
    if (m_jobs.empty())
        release();
    else
        next();
}

// Between failures the view and its renderer process are let go: a run's failures are seconds apart,
// and nothing of a page drawn is kept in the program.
void PageSnapshot::release()
{
    if (!m_view)
        return;
    m_view->deleteLater();
    m_page->deleteLater();
    m_view = nullptr;
    m_page = nullptr;
}

} // namespace tvx::ui
