#include "browserpane.h"

#include "controls/button/command.h"
#include "platform/pickerpage.h"
#include "platform/plaintext.h"
#include "platform/webbrowser.h"
#include "ui/formlayout.h"

#include <QChildEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <limits>

namespace tvx::ui {

BrowserPane::BrowserPane(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("browserPane"));
    // A profile without a storage name lives in memory only and shares nothing with other profiles.
    m_profile = new QWebEngineProfile(this);

    auto* bar = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("网址"), this);
    m_addressEdit = new QLineEdit(this);
    m_addressEdit->setObjectName(QStringLiteral("addressEdit"));
    m_addressEdit->setMaxLength(std::numeric_limits<int>::max());
    m_addressEdit->setAccessibleName(QStringLiteral("网页地址"));
    label->setBuddy(m_addressEdit);
    m_openButton = makeCommand(this, "openButton", QStringLiteral("打开"), 60, 24);
    bar->addWidget(label);
    bar->addWidget(m_addressEdit, 1);
    bar->addWidget(m_openButton);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("pickStatus"));
    m_status->setWordWrap(true);
    // It quotes the picked element's id, name or text as the page has it.
    platform::showPlainText(m_status);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_status->setText(QStringLiteral("在这里打开网站的登录页，按表单中的“拾取”按钮后点击网页上的输入框或按钮。"));

    m_view = new QWebEngineView(this);
    m_view->setObjectName(QStringLiteral("pageView"));
    m_view->setAccessibleName(QStringLiteral("网页"));
    m_page = new platform::PickerPage(m_profile, m_view);
    m_browser = new platform::WebBrowser(m_view, m_page, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(m_status);
    layout->addWidget(m_view, 1);

    // The widget that shows the page comes with the first page (and again after a renderer restart),
    // and it and the view would be the last stops of the window's Tab order, after the buttons at the
    // bottom; they are put back right after the address bar.
    m_view->installEventFilter(this);

    connect(m_openButton, &controls::Command::Click, this, &BrowserPane::openTyped);
    connect(m_addressEdit, &QLineEdit::returnPressed, this, &BrowserPane::openTyped);
    connect(m_page, &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        if (!m_addressEdit->hasFocus())
            m_addressEdit->setText(url.toString() == QLatin1String("about:blank") ? QString() : url.toString());
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
        QWidget::setTabOrder(m_openButton, m_view); // the view together with its page widget
        QWidget::setTabOrder(m_openButton, page);
        m_view->setFocusPolicy(viewPolicy);
        page->setFocusPolicy(pagePolicy);
    }
    return QWidget::eventFilter(watched, event);
}

void BrowserPane::openTyped()
{
    QString text = m_addressEdit->text().trimmed();
    if (text.isEmpty())
        return;
    if (!text.contains(QStringLiteral("://")) && !text.startsWith(QLatin1String("about:")))
        text.prepend(QStringLiteral("http://"));
    open(text);
}

void BrowserPane::open(const QString& address)
{
    m_addressEdit->setText(address);
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
    m_status->setText(text);
}

QString BrowserPane::status() const
{
    return m_status->text();
}

void BrowserPane::setDriven(bool driven)
{
    if (driven)
        stopPicking();
    m_addressEdit->setEnabled(!driven);
    m_openButton->setEnabled(!driven);
}

} // namespace tvx::ui
