#include "tagdialog.h"

#include "controls/button/command.h"
#include "platform/messagebox.h"
#include "ui/formlayout.h"

#include <QListWidget>
#include <QSet>

namespace tvx::ui {

const QStringList& TagDialog::categories()
{
    static const QStringList list = {
        QStringLiteral("新闻"), QStringLiteral("生活"), QStringLiteral("娱乐"),   QStringLiteral("文化"),
        QStringLiteral("科技"), QStringLiteral("电子"), QStringLiteral("计算机"), QStringLiteral("互联网"),
        QStringLiteral("军事"), QStringLiteral("汽车"), QStringLiteral("财经"),   QStringLiteral("股票"),
        QStringLiteral("宠物"), QStringLiteral("动物"), QStringLiteral("图片"),   QStringLiteral("视频"),
        QStringLiteral("搞笑"), QStringLiteral("恶搞"), QStringLiteral("八卦"),   QStringLiteral("两性"),
        QStringLiteral("影视"), QStringLiteral("体育"), QStringLiteral("游戏"),   QStringLiteral("博客"),
        QStringLiteral("女性"), QStringLiteral("育儿"), QStringLiteral("家居"),   QStringLiteral("创意"),
        QStringLiteral("购物"), QStringLiteral("健康"), QStringLiteral("交友"),   QStringLiteral("音乐"),
        QStringLiteral("公益"), QStringLiteral("读书"), QStringLiteral("社区"),   QStringLiteral("航空")};
    return list;
}

TagDialog::TagDialog(QWidget* parent)
    : FormDialog(parent)
{
    setUpDialog(this, "frmTag", QStringLiteral("选择分类"), 451, 317);

    m_lstTag = new QListWidget(this);
    m_lstTag->setObjectName(QStringLiteral("lstTag"));
    m_lstTag->setGeometry(4, 24, 443, 242);
    // A click ticks or unticks one entry without touching the others.
    m_lstTag->setSelectionMode(QAbstractItemView::MultiSelection);
    m_lstTag->addItems(categories());
    m_label1 = addLabel(this, "Label1", QStringLiteral("分类"), 6, 6, m_lstTag);

    m_cmdOK = addCommand(this, "cmdOK", QStringLiteral("确定"), 128, 284);
    m_cmdCancel = addCommand(this, "cmdCancel", QStringLiteral("取消"), 230, 284);
    m_cmdOK->setDefault(true);
    setTabChain({m_lstTag, m_cmdOK, m_cmdCancel});
    connect(m_cmdOK, &controls::Command::Click, this, &TagDialog::cmdOK_Click);
    connect(m_cmdCancel, &controls::Command::Click, this, &TagDialog::cmdCancel_Click);
}

void TagDialog::Form_Load()
{
    gblnOK = false;
    m_lstTag->clearSelection();
    if (gstrTag.trimmed().isEmpty())
        return;
    const QStringList& list = categories();
    // Split at every single blank: doubled blanks give empty words, which match no entry.
    for (const QString& word : gstrTag.split(QLatin1Char(' '))) {
        for (int i = 0; i < list.size(); ++i) {
            if (list.at(i) == word)
                m_lstTag->item(i)->setSelected(true);
        }
    }
    m_lstTag->scrollToTop();
}

void TagDialog::cmdOK_Click()
{
    QStringList chosen;
    for (int i = 0; i < m_lstTag->count(); ++i) {
        if (m_lstTag->item(i)->isSelected())
            chosen.append(m_lstTag->item(i)->text());
    }
    if (chosen.isEmpty()) {
        MessageBox::information(this, QStringLiteral("请选择分类！"));
        m_lstTag->setFocus();
        return;
    }
    gstrTag = chosen.join(QLatin1Char(' '));
    gblnOK = true;
    accept();
}

void TagDialog::cmdCancel_Click()
{
    reject();
}

QString mergePickedTags(const QString& typed, const QString& picked)
{
    if (typed.isEmpty())
        return picked;
    const QStringList& list = TagDialog::categories();
    QStringList words;
    QSet<QString> seen;
    for (const QString& word : typed.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (list.contains(word) || seen.contains(word))
            continue;
        seen.insert(word);
        words.append(word);
    }
    for (const QString& entry : picked.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!seen.contains(entry)) {
            seen.insert(entry);
            words.append(entry);
        }
    }
    return words.join(QLatin1Char(' '));
}

} // namespace tvx::ui
