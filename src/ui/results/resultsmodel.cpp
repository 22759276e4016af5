#include "resultsmodel.h"

#include "bookmarks/delimited.h"
#include "evidence/evidencestore.h"
#include "platform/plaintext.h"

#include <QBrush>
#include <QColor>
#include <QFileInfo>

namespace tvx::ui {

using store::results::Cell;
using store::results::Outcome;

namespace {
qint64 cellKey(int account, int bookmark)
{
    return (qint64(account) << 32) | quint32(bookmark);
}

QString mark(Outcome o)
{
    switch (o) {
    case Outcome::Submitted:
        return QStringLiteral("✔");
    case Outcome::NoButton:
        return QStringLiteral("✘");
    case Outcome::TimedOut:
        return QStringLiteral("◷");
    case Outcome::SiteSkipped:
        return QStringLiteral("⊘");
    case Outcome::Refused:
        return QStringLiteral("⛔");
    case Outcome::NotChosen:
        return QStringLiteral("—");
    case Outcome::NotReached:
        break;
    }
    return QStringLiteral("·");
}

QColor colour(Outcome o)
{
    switch (o) {
    case Outcome::Submitted:
        return QColor(0xc8, 0xef, 0xc8);
    case Outcome::NoButton:
        return QColor(0xff, 0xdd, 0xa8);
    case Outcome::TimedOut:
        return QColor(0xf6, 0xbc, 0xbc);
    case Outcome::SiteSkipped:
        return QColor(0xdc, 0xdc, 0xdc);
    case Outcome::Refused:
        return QColor(0xf0, 0xb0, 0xd8);
    case Outcome::NotChosen:
    case Outcome::NotReached:
        break;
    }
    return {};
}
} // namespace

QList<CellEvidence> cellEvidence(const evidence::EvidenceStore& store, const store::results::RunResults& run,
                                 int account, int bookmark)
{
    QList<CellEvidence> out;
    // The evidence store numbers accounts and bookmarks from 1, as the run does.
    for (const evidence::Evidence& e : store.forBookmark(run.run.started, account + 1, bookmark + 1)) {
        QString path;
        if (!e.png.isEmpty() && QFileInfo::exists(e.png))
            path = e.png;
        else if (!e.html.isEmpty() && QFileInfo::exists(e.html))
            path = e.html;
        if (path.isEmpty())
            continue;
        out.append({path, e.failure,
                    evidence::EvidenceStore::stageName(e.stage) + QLatin1Char('_') +
                        evidence::EvidenceStore::failureName(e.failure),
                    e.captured});
    }
    return out;
}

int namedEvidence(const QList<CellEvidence>& kept, Outcome outcome)
{
    const QString own = outcome == Outcome::NoButton   ? QStringLiteral("nothing-to-press")
                        : outcome == Outcome::TimedOut ? QStringLiteral("timeout")
                                                       : QString();
    for (qsizetype i = 0; i < kept.size(); ++i)
        if (kept.at(i).failure == own)
            return int(i);
    return kept.isEmpty() ? -1 : 0;
}

QString evidenceFor(const evidence::EvidenceStore& store, const store::results::RunResults& run, int account,
                    int bookmark)
{
    Outcome outcome = Outcome::NotReached;
    for (const Cell& c : run.cells)
        if (c.account == account && c.bookmark == bookmark)
            outcome = c.outcome;
    const QList<CellEvidence> kept = cellEvidence(store, run, account, bookmark);
    const int named = namedEvidence(kept, outcome);
    return named < 0 ? QString() : kept.at(named).path;
}

QList<CellEvidence> ResultsModel::evidenceList(const QModelIndex& index) const
{
    if (!index.isValid() || index.column() < FirstAccount || !m_listEvidence)
        return {};
    return m_listEvidence(m_results, index.column() - FirstAccount, index.row());
}

void ResultsModel::setResults(store::results::RunResults results)
{
    beginResetModel();
    m_results = std::move(results);
    m_cellIndex.clear();
    for (qsizetype i = 0; i < m_results.cells.size(); ++i) {
        const Cell& c = m_results.cells.at(i);
        m_cellIndex.insert(cellKey(c.account, c.bookmark), int(i));
        // A cell of an account the run did not name still gets its column.
        while (m_results.accounts.size() <= c.account)
            m_results.accounts.append(store::results::RunAccount{});
    }
    endResetModel();
}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_results.bookmarks.size());
}

int ResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FirstAccount + int(m_results.accounts.size());
}

Cell ResultsModel::cell(int bookmark, int account) const
{
    const auto it = m_cellIndex.constFind(cellKey(account, bookmark));
    if (it == m_cellIndex.constEnd())
        return Cell{account, bookmark, Outcome::NotReached, 0, {}};
    return m_results.cells.at(*it);
}

QString ResultsModel::stageName(int stage)
{
    switch (stage) {
    case 1:
        return QStringLiteral("登录页");
    case 2:
        return QStringLiteral("登录");
    case 3:
        return QStringLiteral("提交页");
    case 4:
        return QStringLiteral("提交");
    case 5:
        return QStringLiteral("退出");
    default:
        return QStringLiteral("开始");
    }
}

QString ResultsModel::outcomeText(const Cell& cell)
{
    switch (cell.outcome) {
    case Outcome::Submitted:
        return QStringLiteral("已提交");
    case Outcome::NoButton:
        return QStringLiteral("没有找到提交按钮");
    case Outcome::TimedOut:
        return QStringLiteral("超时（%1）").arg(stageName(cell.stage));
    case Outcome::SiteSkipped:
        return QStringLiteral("站点被跳过");
    case Outcome::Refused:
        // The site's answer, and the step when that was not the submission: "没有应答（连接被拒绝）（登录页）".
        // A login the site turned away names its step itself.
        if (cell.stage == 4 || cell.answer == QStringLiteral("登录被拒绝"))
            return cell.answer.isEmpty() ? QStringLiteral("网站拒绝") : cell.answer;
        return (cell.answer.isEmpty() ? QStringLiteral("网站拒绝") : cell.answer) +
               QStringLiteral("（%1）").arg(stageName(cell.stage));
    case Outcome::NotChosen:
        return QStringLiteral("不在重试之列");
    case Outcome::NotReached:
        break;
    }
    return QStringLiteral("未执行");
}

QString ResultsModel::accountName(int account) const
{
    const store::results::RunAccount& a = m_results.accounts.at(account);
    if (a.siteName.isEmpty() && a.uid.isEmpty())
        return QStringLiteral("帐号 %1").arg(account + 1);
    return a.siteName + QStringLiteral(" / ") + a.uid;
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_results.bookmarks.size())
        return {};
    const store::results::RunBookmark& b = m_results.bookmarks.at(index.row());
    if (index.column() < FirstAccount) {
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        const QString text = index.column() == Number ? QString::number(b.number)
                             : index.column() == Url  ? b.url
                                                      : b.title;
        return role == Qt::ToolTipRole ? platform::plainToolTip(text) : text;
    }
    const int account = index.column() - FirstAccount;
    const Cell c = cell(index.row(), account);
    const QString time = c.at.isValid() ? c.at.toString(QStringLiteral("HH:mm:ss")) : QString();
    switch (role) {
    case Qt::DisplayRole:
        return QString(mark(c.outcome) + QLatin1Char(' ') + outcomeText(c) +
                       (time.isEmpty() ? QString() : QString(QLatin1Char(' ') + time)));
    case Qt::BackgroundRole: {
        const QColor bg = colour(c.outcome);
        return bg.isValid() ? QVariant(QBrush(bg)) : QVariant();
    }
    case Qt::ForegroundRole:
        return c.outcome == Outcome::NotReached ? QVariant() : QVariant(QBrush(Qt::black));
    case Qt::ToolTipRole: {
        QString tip = accountName(account) + QLatin1Char('\n') + b.url + QLatin1Char('\n') + outcomeText(c);
        if (c.at.isValid())
            tip += QLatin1Char('\n') + c.at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!data(index, EvidenceRole).toString().isEmpty())
            tip += QStringLiteral("\n双击查看失败时的截图和网页");
        if (evidenceList(index).size() > 1)
            tip += QStringLiteral("\n右键查看这个网址的其他证据");
        return platform::plainToolTip(tip);
    }
    case OutcomeRole:
        return int(c.outcome);
    case EvidenceRole:
        if (c.outcome == Outcome::Submitted || c.outcome == Outcome::NotReached || !m_findEvidence)
            return QString();
        return m_findEvidence(m_results, account, index.row());
    default:
        return {};
    }
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    switch (section) {
    case Number:
        return QStringLiteral("#");
    case Url:
        return QStringLiteral("网址");
    case Title:
        return QStringLiteral("标题");
    default:
        if (section - FirstAccount >= m_results.accounts.size())
            return {};
        const QString name = accountName(section - FirstAccount);
        return role == Qt::ToolTipRole ? platform::plainToolTip(name) : name;
    }
}

QByteArray ResultsModel::toCsv() const
{
    QStringList header{QStringLiteral("#"), QStringLiteral("网址"), QStringLiteral("标题")};
    for (int a = 0; a < m_results.accounts.size(); ++a)
        header.append(accountName(a));
    QString text = bookmarks::delimited::csvRecord(header) + QStringLiteral("\r\n");
    for (int r = 0; r < m_results.bookmarks.size(); ++r) {
        const store::results::RunBookmark& b = m_results.bookmarks.at(r);
        QStringList fields{QString::number(b.number), b.url, b.title};
        for (int a = 0; a < m_results.accounts.size(); ++a) {
            const Cell c = cell(r, a);
            QString text = outcomeText(c);
            if (c.at.isValid())
                text += QLatin1Char(' ') + c.at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            fields.append(text);
        }
        text += bookmarks::delimited::csvRecord(fields) + QStringLiteral("\r\n");
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

QStringList ResultsModel::submittedSomewhere() const
{
    QStringList out;
    for (int r = 0; r < m_results.bookmarks.size(); ++r) {
        for (int a = 0; a < m_results.accounts.size(); ++a) {
            if (cell(r, a).outcome == Outcome::Submitted) {
                out.append(m_results.bookmarks.at(r).url);
                break;
            }
        }
    }
    return out;
}

} // namespace tvx::ui
