#include "adddialog.h"

#include "controls/button/command.h"
#include "engine/clock.h"
#include "platform/keyboardfocus.h"
#include "tagdialog.h"
#include "ui/formlayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace tvx::ui {

namespace {
constexpr int kLoadTimerMs = 1000;

// The hidden browser only reads a title: whatever the page asks of the user (alerts, questions,
// prompts) is answered without showing anything, and its console stays out of the user's way.
class TitlePage final : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return true; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override {}
};

// The summary as typed: paragraph breaks become line feeds, every other character (a no-break space
// among them, which toPlainText() would turn into a blank) is kept.
QString typedText(const QPlainTextEdit* edit)
{
    QString text = edit->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}
} // namespace

AddDialog::AddDialog(const engine::Clock& clock, QWidget* parent)
    : FormDialog(parent)
    , m_clock(clock)
{
    setUpDialog(this, "frmAdd", QStringLiteral("添加新网址"), 589, 417);
    createControls();
}

AddDialog::~AddDialog()
{
    *m_alive = false;
}

void AddDialog::createControls()
{
    // The address is shown, not edited: the row always gets the address the dialog was given.
    m_txtURL = addLineEdit(this, "txtURL", 6, 20, 575, 20);
    m_txtURL->setReadOnly(true);
    m_label1 = addLabel(this, "Label1", QStringLiteral("网址"), 6, 6, m_txtURL);
    m_txtTitle = addLineEdit(this, "txtTitle", 6, 60, 575, 20);
    m_label2 = addLabel(this, "Label2", QStringLiteral("标题"), 6, 46, m_txtTitle);
    m_txtTag = addLineEdit(this, "txtTag", 6, 100, 549, 20);
    m_label3 = addLabel(this, "Label3", QStringLiteral("分类(多个分类以半角空格分开)"), 6, 86, m_txtTag);
    m_cmdTag = addCommand(this, "cmdTag", QStringLiteral("..."), 556, 96, 27, 27);
    m_cmdTag->setToolTip(QStringLiteral("挑选分类"));
    m_cmdTag->setAccessibleName(m_cmdTag->toolTip());
    m_txtSummary = new QPlainTextEdit(this);
    m_txtSummary->setObjectName(QStringLiteral("txtSummary"));
    m_txtSummary->setGeometry(6, 140, 575, 236);
    m_txtSummary->setTabChangesFocus(true);
    m_label4 = addLabel(this, "Label4", QStringLiteral("摘要"), 6, 124, m_txtSummary);
    m_cmdOK = addCommand(this, "cmdOK", QStringLiteral("确定"), 206, 384);
    m_cmdCancel = addCommand(this, "cmdCancel", QStringLiteral("取消"), 308, 384);

    // Just below the client area: live, and a visible page to Chromium, but never seen.
    m_wb = new QWebEngineView(this);
    m_wb->setObjectName(QStringLiteral("wb"));
    m_wb->setPage(new TitlePage(m_wb));
    m_wb->setGeometry(4, 418, 255, 47);
    platform::keepOutOfUserInput(m_wb);
    m_wb->setContextMenuPolicy(Qt::NoContextMenu);
    m_wb->page()->setAudioMuted(true);
    // An address that cannot be loaded leaves no error page whose title could be taken for the page's.
    m_wb->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    m_wb->settings()->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kLoadTimerMs);

    // The address is only shown; the user starts with the title.
    m_txtTitle->setFocus();
    setTabChain({m_txtURL, m_txtTitle, m_txtTag, m_cmdTag, m_txtSummary, m_cmdOK, m_cmdCancel});
    // Enter anywhere but in the summary confirms; Escape cancels.
    m_cmdOK->setDefault(true);

    connect(m_cmdTag, &controls::Command::Click, this, &AddDialog::cmdTag_Click);
    connect(m_cmdOK, &controls::Command::Click, this, &AddDialog::cmdOK_Click);
    connect(m_cmdCancel, &controls::Command::Click, this, &AddDialog::cmdCancel_Click);
    connect(m_timer1, &QTimer::timeout, this, &AddDialog::Timer1_Timer);
    connect(m_wb->page(), &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        switch (info.status()) {
        case QWebEngineLoadingInfo::LoadSucceededStatus:
            wb_DocumentComplete(true);
            break;
        case QWebEngineLoadingInfo::LoadFailedStatus:
        case QWebEngineLoadingInfo::LoadStoppedStatus:
            wb_DocumentComplete(false);
            break;
        case QWebEngineLoadingInfo::LoadStartedStatus:
            break;
        }
    });
    // A page whose renderer dies never completes; it ends the wait as a failed load does.
    connect(m_wb->page(), &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status != QWebEnginePage::NormalTerminationStatus)
                    wb_DocumentComplete(false);
            });
}

bool AddDialog::isLoadTimerActive() const
{
    return m_timer1->isActive();
}

void AddDialog::Form_Load()
{
    gblnOK = false;
    if (gstrURL.isEmpty())
        return;
    // Loaded exactly as typed: no scheme is added and nothing is trimmed.
    m_fetching = true;
    m_wb->load(QUrl(gstrURL));
    m_loadStart = m_clock.nowSeconds();
    m_hourglass.acquire();
    m_timer1->start();
    m_txtURL->setText(gstrURL);
    m_txtURL->setCursorPosition(0);
}

void AddDialog::wb_DocumentComplete(bool succeeded)
{
    if (!m_fetching)
        return;
    m_timer1->stop();
    m_hourglass.release();
    if (!succeeded)
        return; // nothing was loaded whose title could be taken
    std::weak_ptr<bool> alive = m_alive;
    m_wb->page()->runJavaScript(QStringLiteral("document.title"), QWebEngineScript::ApplicationWorld,
                                [this, alive](const QVariant& title) {
                                    const auto living = alive.lock();
                                    if (living && *living && title.typeId() == QMetaType::QString)
                                        copyTitle(title.toString());
                                });
}

void AddDialog::copyTitle(const QString& title)
{
    if (!m_fetching)
        return;
    // A page without a title leaves the box alone rather than wiping what the user may have typed.
    if (title.isEmpty())
        return;
    m_txtTitle->setText(title);
    m_txtTitle->setCursorPosition(0);
}

void AddDialog::Timer1_Timer()
{
    if (engine::secondsBetween(m_loadStart, m_clock.nowSeconds()) > kLoadTimeoutSeconds) {
        m_timer1->stop();
        m_hourglass.release();
    }
}

void AddDialog::cmdTag_Click()
{
    TagDialog frmTag(this);
    frmTag.gstrTag = m_txtTag->text();
    frmTag.exec();
    if (frmTag.gblnOK)
        m_txtTag->setText(mergePickedTags(m_txtTag->text(), frmTag.gstrTag));
}

void AddDialog::cmdOK_Click()
{
    gblnOK = true;
    gstrTitle = m_txtTitle->text();
    gstrTag = m_txtTag->text();
    gstrSummary = typedText(m_txtSummary);
    accept();
}

void AddDialog::cmdCancel_Click()
{
    gblnOK = false;
    reject();
}

void AddDialog::done(int result)
{
    abandonLoad();
    FormDialog::done(result);
}

void AddDialog::abandonLoad()
{
    if (!m_fetching)
        return;
    m_fetching = false;
    m_timer1->stop();
    m_hourglass.release();
    m_wb->triggerPageAction(QWebEnginePage::Stop);
}

} // namespace tvx::ui
