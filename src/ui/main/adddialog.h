#pragma once

#include "ui/formdialog.h"
#include "waitcursor.h"

#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTimer;
class QWebEngineView;

namespace tvx::engine {
class Clock;
}
namespace tvx::controls {
class Command;
}

namespace tvx::ui {

// frmAdd: makes one bookmark. The caller puts the typed address into gstrURL and shows the dialog
// modally; the dialog loads that address in a hidden browser to fill in the page's title, and the
// user completes title, categories and summary. After an OK of this showing gblnOK is true and the
// boxes' texts are in gstrTitle, gstrTag and gstrSummary.
class AddDialog final : public FormDialog {
    Q_OBJECT
public:
    // The load time-out is measured on `clock`, which must outlive the dialog.
    explicit AddDialog(const engine::Clock& clock, QWidget* parent = nullptr);
    ~AddDialog() override;

    bool gblnOK = false;
    QString gstrURL;
    QString gstrTitle;
    QString gstrTag;
    QString gstrSummary;

    // Seconds a page may take before the hourglass gives way (the load itself goes on).
    static constexpr int kLoadTimeoutSeconds = 10;

    void Timer1_Timer();
    void cmdTag_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    QWebEngineView* browser() const { return m_wb; }
    bool isLoadTimerActive() const;
    bool isShowingHourglass() const { return m_hourglass.isActive(); }

protected:
    void done(int result) override;

private:
    void createControls();
    void Form_Load() override;
    void wb_DocumentComplete(bool succeeded);
    void copyTitle(const QString& title);
    void abandonLoad();

    const engine::Clock& m_clock;
    WaitCursor m_hourglass;
    qint64 m_loadStart = 0;
    bool m_fetching = false; // the hidden browser works for this showing
    // Title answers of the page arrive asynchronously; they are dropped once the dialog is gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);

    QLabel* m_label1 = nullptr;
    QLineEdit* m_txtURL = nullptr;
    QLabel* m_label2 = nullptr;
    QLineEdit* m_txtTitle = nullptr;
    QLabel* m_label3 = nullptr;
    QLineEdit* m_txtTag = nullptr;
    controls::Command* m_cmdTag = nullptr;
    QLabel* m_label4 = nullptr;
    QPlainTextEdit* m_txtSummary = nullptr;
    controls::Command* m_cmdOK = nullptr;
    controls::Command* m_cmdCancel = nullptr;
    QWebEngineView* m_wb = nullptr;
    QTimer* m_timer1 = nullptr;
};

} // namespace tvx::ui
