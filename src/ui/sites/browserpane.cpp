#include "browserpane.h"

#include "controls/button/command.h"
#include "platform/pickerpage.h"
#include "platform/webbrowser.h"

#include <QChildEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <limits>

namespace tvx::ui::sites {

BrowserPane::BrowserPane(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("paneBrowser"));
    // A profile without a storage name lives in memory only and shares nothing with other profiles.
    m_profile = new QWebEngineProfile(this);

    auto* bar = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("网址"), this);
    m_txtAddress = new QLineEdit(this);
    m_txtAddress->setObjectName(QStringLiteral("txtAddress"));
    m_txtAddress->setMaxLength(std::numeric_limits<int>::max());
    m_txtAddress->setAccessibleName(QStringLiteral("网页地址"));
    label->setBuddy(m_txtAddress);
    m_cmdGo = new controls::Command(this);
    m_cmdGo->setObjectName(QStringLiteral("cmdGo"));
    m_cmdGo->setCaption(QStringLiteral("打开"));
    m_cmdGo->setFixedSize(60, 24);
    bar->addWidget(label);
    bar->addWidget(m_txtAddress, 1);
    bar->addWidget(m_cmdGo);

    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblPickStatus"));
    m_lblStatus->setWordWrap(true);
    m_lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_lblStatus->setText(QStringLiteral("在这里打开网站的登录页，按表单中的“拾取”按钮后点击网页上的输入框或按钮。"));

    m_view = new QWebEngineView(this);
    m_view->setObjectName(QStringLiteral("wbPane"));
    m_view->setAccessibleName(QStringLiteral("网页"));
    m_page = new platform::PickerPage(m_profile, m_view);
    m_browser = new platform::WebBrowser(m_view, m_page, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(m_lblStatus);
    layout->addWidget(m_view, 1);

    // The widget that shows the page comes with the first page (and again after a renderer restart),
    // and it and the view would be the last stops of the window's Tab order, after the buttons at the
    // bottom; they are put back right after the address bar.
    m_view->installEventFilter(this);

    connect(m_cmdGo, &controls::Command::Click, this, &BrowserPane::cmdGo_Click);
    connect(m_txtAddress, &QLineEdit::returnPressed, this, &BrowserPane::cmdGo_Click);
    connect(m_page, &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        if (!m_txtAddress->hasFocus())
            m_txtAddress->setText(url.toString() == QLatin1String("about:blank") ? QString() : url.toString());
    });
    connect(m_page, &platform::PickerPage::picked, this, &BrowserPane::picked);
    connect(m_page, &platform::PickerPage::pickCancelled, this, &BrowserPane::pickCancelled);
}

BrowserPane::~BrowserPane()
{
    // The page goes before its profile.
    delete m_view;
}

bool BrowserPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::ChildPolished &&
        static_cast<QChildEvent*>(event)->child() == m_view->focusProxy()) {
        // Right after the address bar: the page widget, then the view that hands its focus on to it
        // (and so is passed over by Tab either way). Qt moves only widgets that take focus, which the
        // view itself does not: it does for the move. (A view's policy is also set on its page widget.)
        QWidget* page = m_view->focusProxy();
        const Qt::FocusPolicy viewPolicy = m_view->focusPolicy();
        const Qt::FocusPolicy pagePolicy = page->focusPolicy();
        m_view->setFocusPolicy(Qt::TabFocus);
        QWidget::setTabOrder(m_cmdGo, m_view); // the view together with its page widget
        QWidget::setTabOrder(m_cmdGo, page);
        m_view->setFocusPolicy(viewPolicy);
        page->setFocusPolicy(pagePolicy);
    }
    return QWidget::eventFilter(watched, event);
}

void BrowserPane::cmdGo_Click()
{
    QString text = m_txtAddress->text().trimmed();
    if (text.isEmpty())
        return;
    if (!text.contains(QStringLiteral("://")) && !text.startsWith(QLatin1String("about:")))
        text.prepend(QStringLiteral("http://"));
    open(text);
}

void BrowserPane::open(const QString& address)
{
    m_txtAddress->setText(address);
    m_browser->navigate(address);
}

QString BrowserPane::address() const
{
    const QString url = m_page->url().toString();
    return url == QLatin1String("about:blank") ? QString() : url;
}

void BrowserPane::startPicking(const QString& what)
{
    m_page->setPicking(true);
    setStatus(QStringLiteral("请在网页中点击%1（按 Esc 取消）").arg(what));
    m_view->setFocus();
}

void BrowserPane::stopPicking()
{
    m_page->setPicking(false);
}

bool BrowserPane::picking() const
{
    return m_page->picking();
}

void BrowserPane::setStatus(const QString& text)
{
    m_lblStatus->setText(text);
}

QString BrowserPane::status() const
{
    return m_lblStatus->text();
}

void BrowserPane::setDriven(bool driven)
{
    if (driven)
        stopPicking();
    m_txtAddress->setEnabled(!driven);
    m_cmdGo->setEnabled(!driven);
}

} // namespace tvx::ui::sites
