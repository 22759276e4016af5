#include "infopanes.h"

#include "platform/keyboardfocus.h"

#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace tvx::ui {

InfoPanes::InfoPanes(QWebEngineView* wbADS, QWebEngineView* wbStatus, QString host, QObject* parent)
    : QObject(parent)
    , m_wbADS(wbADS)
    , m_wbStatus(wbStatus)
    , m_host(std::move(host))
{
    for (QWebEngineView* pane : {m_wbADS, m_wbStatus}) {
        pane->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
        pane->setContextMenuPolicy(Qt::NoContextMenu);
        platform::keepOutOfKeyboardFocus(pane);
        connect(pane->page(), &QWebEnginePage::loadingChanged, this, [this, pane](const QWebEngineLoadingInfo& info) {
            if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
                paneFailed(pane);
        });
    }
}

void InfoPanes::load()
{
    m_wbADS->load(QUrl(m_host + QStringLiteral("/ads/Ads.html")));
    m_wbStatus->load(QUrl(m_host + QStringLiteral("/ads/AdsStatus.html")));
}

void InfoPanes::paneFailed(QWebEngineView* pane)
{
    pane->hide();
}

} // namespace tvx::ui
