#include "parametersdialog.h"

#include "controls/button/command.h"
#include "platform/accountpasswords.h"
#include "platform/messagebox.h"
#include "store/catalogue.h"
#include "store/programstore.h"
#include "store/schema.h"
#include "store/storeerror.h"
#include "timeoutinput.h"
#include "timeoutvalidator.h"
#include "ui/errorbox.h"
#include "ui/formlayout.h"

#include <QCheckBox>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace tvx::ui::dialogs {

ParametersDialog::ParametersDialog(store::ProgramStore& store, QWidget* parent)
    : FormDialog(parent)
    , m_store(store)
{
    setUpDialog(this, "frmPara", QStringLiteral("系统参数"), 229, 130);

    m_txtTimeout = new QLineEdit(this);
    m_txtTimeout->setObjectName(QStringLiteral("txtTimeout"));
    m_txtTimeout->setGeometry(120, 10, 69, 20);
    m_txtTimeout->installEventFilter(this);
    addLabel(this, "Label1", QStringLiteral("超时时限(秒)"), 36, 14, m_txtTimeout);

    m_cmdOK = addCommand(this, "cmdOK", QStringLiteral("确定"), 14, 40);
    m_cmdCancel = addCommand(this, "cmdCancel", QStringLiteral("取消"), 116, 40);
    m_cmdOK->setDefault(true);

    // The pace, below what the dialog always had: whole seconds, 0 for none.
    m_txtPause = new QLineEdit(this);
    m_txtPause->setObjectName(QStringLiteral("txtPause"));
    m_txtPause->setGeometry(120, 78, 69, 20);
    m_txtPause->setValidator(new QIntValidator(0, store::kMaxSitePause, m_txtPause));
    m_txtPause->setToolTip(QStringLiteral("同一网摘站点两次提交之间停顿的秒数，0 为不停顿"));
    m_txtPause->setAccessibleDescription(m_txtPause->toolTip());
    addLabel(this, "Label2", QStringLiteral("同站间隔(秒)"), 36, 82, m_txtPause);
    // For a user who carries tvx.cfg between machines: the passwords go with it.
    m_chkPasswordsInFile = new QCheckBox(QStringLiteral("密码保存在配置文件中(&K)"), this);
    m_chkPasswordsInFile->setObjectName(QStringLiteral("chkPasswordsInFile"));
    m_chkPasswordsInFile->setGeometry(14, 104, 205, 20);
    m_chkPasswordsInFile->setToolTip(QStringLiteral("帐号的密码保存在配置文件中，不放进桌面的钥匙环"));
    setTabChain({m_txtTimeout, m_cmdOK, m_cmdCancel, m_txtPause, m_chkPasswordsInFile});
    connect(m_cmdOK, &controls::Command::Click, this, &ParametersDialog::cmdOK_Click);
    connect(m_cmdCancel, &controls::Command::Click, this, &ParametersDialog::cmdCancel_Click);
}

void ParametersDialog::Form_Load()
{
    // The validator comes after the text: a value that the box could not take (a negative one
    // written into the file by hand) is still shown as it runs.
    m_txtTimeout->setValidator(nullptr);
    m_txtTimeout->setText(QString::number(m_store.gintTimeout));
    m_txtTimeout->setValidator(new TimeoutValidator(m_txtTimeout));
    bool inFile = false;
    showingStoreError(this, [&] { inFile = platform::AccountPasswords::keptInStore(m_store.gcnnStore); });
    m_chkPasswordsInFile->setChecked(inFile);
    m_txtPause->setText(QString::number(m_store.gintSitePause));
}

bool ParametersDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_txtTimeout && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!isTimeoutKeyAccepted(key->key(), key->text()))
            return true; // discarded before it reaches the box
    }
    return FormDialog::eventFilter(watched, event);
}

void ParametersDialog::cmdOK_Click()
{
    const TimeoutCheck check = checkTimeoutText(m_txtTimeout->text());
    if (!check.seconds) {
        MessageBox::information(this, check.message);
        m_txtTimeout->setFocus();
        return;
    }
    bool pauseOk = false;
    const int pause = m_txtPause->text().trimmed().toInt(&pauseOk);
    if (!pauseOk || pause < 0 || pause > store::kMaxSitePause) {
        MessageBox::information(
            this, QStringLiteral("同站间隔应为 0 到 %1 之间的整数（秒），0 为不停顿。").arg(store::kMaxSitePause));
        m_txtPause->setFocus();
        return;
    }
    // The whole number is stored, not the text: what the file holds is exactly what the run uses now
    // and what the next start-up reads back.
    const bool saved = showingStoreError(this, [&] {
        // The settings row is the one with ID 0; a file without it would lose the value unnoticed.
        if (m_store.gcnnStore.execute(store::catalogue::updateTimeout(int(*check.seconds))) == 0)
            throw store::StoreError(
                QStringLiteral("配置文件“%1”的数据表 Config 中没有 ID 为 0 的设置行，超时时限无法保存。请用程序附带的 tvx.cfg 替换它。")
                    .arg(m_store.gcnnStore.path()));
        store::saveSitePause(m_store.gcnnStore, pause);
        if (m_chkPasswordsInFile->isChecked() != platform::AccountPasswords::keptInStore(m_store.gcnnStore))
            platform::AccountPasswords::setKeptInStore(m_store.gcnnStore, m_chkPasswordsInFile->isChecked());
    });
    if (!saved)
        return;
    m_store.gintTimeout = *check.seconds;
    m_store.gintSitePause = pause;
    accept();
}

void ParametersDialog::cmdCancel_Click()
{
    reject();
}

} // namespace tvx::ui::dialogs
