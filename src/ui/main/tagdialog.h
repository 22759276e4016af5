#pragma once

#include "ui/formdialog.h"

#include <QStringList>

class QLabel;
class QListWidget;

namespace tvx::controls {
class Command;
}

namespace tvx::ui {

// frmTag: picks a bookmark's categories from the fixed list. The caller puts the current category
// text into gstrTag and shows the dialog modally; after an OK gblnOK is true and gstrTag holds the
// chosen entries in list order, separated by single blanks.
class TagDialog final : public FormDialog {
    Q_OBJECT
public:
    explicit TagDialog(QWidget* parent = nullptr);

    // The 36 categories, in the order the list shows them.
    static const QStringList& categories();

    bool gblnOK = false;
    QString gstrTag;

    void cmdOK_Click();
    void cmdCancel_Click();

private:
    void Form_Load() override;

    QLabel* m_label1 = nullptr;
    QListWidget* m_lstTag = nullptr;
    controls::Command* m_cmdOK = nullptr;
    controls::Command* m_cmdCancel = nullptr;
};

// Combines the picker's result with the category text already typed. The picker shows only list
// entries, so its result decides which list entries the bookmark has (an entry the user unticked is
// dropped); the words typed that are not list entries were out of the picker's reach and are kept, in
// their order, before the picked entries. Empty words and repeated words are left out, so the result
// has single blanks and no duplicates. Nothing typed: the picked text as it is.
QString mergePickedTags(const QString& typed, const QString& picked);

} // namespace tvx::ui
