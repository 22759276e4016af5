#include "evidencestore.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace tvx::evidence {

namespace {
const QString kIndex = QStringLiteral("index.json");
const QString kFolderFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz");
const QRegularExpression kFolderPattern(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d-\\d{3}$"));
// Bytes of UTF-8 a piece of a file name may take: a file name holds at most 255 bytes, and a site's name
// and an account's user id of Chinese characters take three bytes each.
constexpr int kPartBytes = 60;

// A piece of a file name: no separators, no control or reserved characters, not too long.
QString part(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c) || c == QChar(0x7f))
            out += QLatin1Char('_');
        else
            out += c;
    }
    out = out.trimmed();
    if (out.startsWith(QLatin1Char('.')))
        out[0] = QLatin1Char('_');
    if (out.isEmpty())
        out = QStringLiteral("_");
    // Cut at a whole character, never inside a surrogate pair.
    qsizetype end = 0;
    int bytes = 0;
    while (end < out.size()) {
        const qsizetype next = end + (out.at(end).isHighSurrogate() && end + 1 < out.size() ? 2 : 1);
        bytes += int(out.mid(end, next - end).toUtf8().size());
        if (bytes > kPartBytes)
            break;
        end = next;
    }
    return out.left(end);
}

QString nameOfFailure(const QString& failure)
{
    if (failure == QLatin1String("timeout"))
        return QStringLiteral("超时");
    if (failure == QLatin1String("nothing-to-press"))
        return QStringLiteral("无按钮");
    if (failure == QLatin1String("statement-failed"))
        return QStringLiteral("元素缺失");
    if (failure == QLatin1String("no-answer"))
        return QStringLiteral("无应答");
    if (failure == QLatin1String("site-refused"))
        return QStringLiteral("网站拒绝");
    return part(failure);
}

QJsonObject toJson(const Evidence& e)
{
    return {{QStringLiteral("account"), e.account},
            {QStringLiteral("site"), e.site},
            {QStringLiteral("uid"), e.uid},
            {QStringLiteral("bookmark"), e.bookmark},
            {QStringLiteral("stage"), e.stage},
            {QStringLiteral("failure"), e.failure},
            {QStringLiteral("logLine"), e.logLine},
            {QStringLiteral("captured"), e.captured.toString(Qt::ISODateWithMs)},
            {QStringLiteral("png"), QFileInfo(e.png).fileName()},
            {QStringLiteral("html"), QFileInfo(e.html).fileName()}};
}

qint64 folderBytes(const QString& folder)
{
    qint64 bytes = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        bytes += it.fileInfo().size();
    }
    return bytes;
}
} // namespace

EvidenceStore::EvidenceStore(QString root, int keepRuns, qint64 maxBytes)
    : m_root(std::move(root))
    , m_keepRuns(std::max(1, keepRuns))
    , m_maxBytes(maxBytes)
{
}

QString EvidenceStore::defaultRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tavrinex/evidence");
}

QString EvidenceStore::folderName(const QDateTime& start)
{
    return start.toString(kFolderFormat);
}

QString EvidenceStore::runFolder(const QDateTime& start) const
{
    return m_root + QLatin1Char('/') + folderName(start);
}

QString EvidenceStore::failureName(const QString& failure)
{
    return nameOfFailure(failure);
}

QString EvidenceStore::stageName(int stage)
{
    switch (stage) {
    case 1:
        return QStringLiteral("登录页");
    case 2:
        return QStringLiteral("登录后");
    case 3:
        return QStringLiteral("提交页");
    case 4:
        return QStringLiteral("提交结果");
    case 5:
        return QStringLiteral("退出页");
    default:
        return QStringLiteral("开始");
    }
}

Evidence EvidenceStore::add(Evidence entry, const QByteArray& png, const QByteArray& html)
{
    const QMutexLocker lock(&m_mutex);
    const QString folder = runFolder(entry.runStart);
    const bool first = !QFileInfo::exists(folder + QLatin1Char('/') + kIndex);
    entry.png.clear();
    entry.html.clear();
    if (!QDir().mkpath(folder))
        return entry;
    QList<Evidence> entries = first ? QList<Evidence>() : readIndex(folder);
    // One pass over the pattern: a "%1" in a site's name or a user id stays as it is.
    const QString base = QStringLiteral("%1_%2_%3_第%4个网址_%5_%6")
                             .arg(QStringLiteral("%1").arg(entries.size() + 1, 3, 10, QLatin1Char('0')),
                                  part(entry.site), part(entry.uid), QString::number(entry.bookmark),
                                  stageName(entry.stage), nameOfFailure(entry.failure));
    const auto write = [&folder](const QString& name, const QByteArray& bytes) {
        QSaveFile file(folder + QLatin1Char('/') + name);
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            return QString();
        return file.fileName();
    };
    entry.png = write(base + QStringLiteral(".png"), png);
    entry.html = write(base + QStringLiteral(".html"), html);
    entries.append(entry);
    writeIndex(folder, entry.runStart, entries);
    if (first)
        prune(folderName(entry.runStart));
    return entry;
}

void EvidenceStore::setLogLine(const QDateTime& runStart, int account, int bookmark, int line)
{
    const QMutexLocker lock(&m_mutex);
    const QString folder = runFolder(runStart);
    QList<Evidence> entries = readIndex(folder);
    bool changed = false;
    for (Evidence& e : entries) {
        if (e.account == account && e.bookmark == bookmark && e.logLine < 0) {
            e.logLine = line;
            changed = true;
        }
    }
    if (changed)
        writeIndex(folder, runStart, entries);
}

QList<QDateTime> EvidenceStore::runs() const
{
    const QMutexLocker lock(&m_mutex);
    QList<QDateTime> starts;
    const QStringList folders = QDir(m_root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : folders)
        if (kFolderPattern.match(name).hasMatch() &&
            QFileInfo::exists(m_root + QLatin1Char('/') + name + QLatin1Char('/') + kIndex))
            starts.append(QDateTime::fromString(name, kFolderFormat));
    return starts;
}

QList<Evidence> EvidenceStore::entries(const QDateTime& runStart) const
{
    const QMutexLocker lock(&m_mutex);
    return readIndex(runFolder(runStart));
}

QList<Evidence> EvidenceStore::atLogLine(const QDateTime& runStart, int line) const
{
    QList<Evidence> found;
    for (const Evidence& e : entries(runStart))
        if (line >= 0 && e.logLine == line)
            found.append(e);
    return found;
}

QList<Evidence> EvidenceStore::forBookmark(const QDateTime& runStart, int account, int bookmark) const
{
    QList<Evidence> found;
    for (const Evidence& e : entries(runStart))
        if (e.account == account && e.bookmark == bookmark)
            found.append(e);
    return found;
}

QList<Evidence> EvidenceStore::readIndex(const QString& folder) const
{
    QFile file(folder + QLatin1Char('/') + kIndex);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject index = QJsonDocument::fromJson(file.readAll()).object();
    const QDateTime start = QDateTime::fromString(index.value(QStringLiteral("started")).toString(), Qt::ISODateWithMs);
    QList<Evidence> entries;
    for (const QJsonValue& v : index.value(QStringLiteral("entries")).toArray()) {
        const QJsonObject o = v.toObject();
        Evidence e;
        e.runStart = start;
        e.account = o.value(QStringLiteral("account")).toInt();
        e.site = o.value(QStringLiteral("site")).toString();
        e.uid = o.value(QStringLiteral("uid")).toString();
        e.bookmark = o.value(QStringLiteral("bookmark")).toInt();
        e.stage = o.value(QStringLiteral("stage")).toInt();
        e.failure = o.value(QStringLiteral("failure")).toString();
        e.logLine = o.value(QStringLiteral("logLine")).toInt(-1);
        e.captured = QDateTime::fromString(o.value(QStringLiteral("captured")).toString(), Qt::ISODateWithMs);
        const QString png = o.value(QStringLiteral("png")).toString();
        const QString html = o.value(QStringLiteral("html")).toString();
        e.png = png.isEmpty() ? QString() : folder + QLatin1Char('/') + png;
        e.html = html.isEmpty() ? QString() : folder + QLatin1Char('/') + html;
        entries.append(e);
    }
    return entries;
}

bool EvidenceStore::writeIndex(const QString& folder, const QDateTime& start, const QList<Evidence>& entries) const
{
    QJsonArray list;
    for (const Evidence& e : entries)
        list.append(toJson(e));
    const QJsonObject index{{QStringLiteral("started"), start.toString(Qt::ISODateWithMs)},
                            {QStringLiteral("entries"), list}};
    QSaveFile file(folder + QLatin1Char('/') + kIndex);
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(index).toJson()) >= 0 && file.commit();
}

// Lets the oldest runs go: at most the newest m_keepRuns, and together no more than m_maxBytes; the run
// `keep` (the one being written) always stays.
void EvidenceStore::prune(const QString& keep)
{
    QStringList folders;
    for (const QString& name : QDir(m_root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        if (kFolderPattern.match(name).hasMatch())
            folders.append(name);
    QList<qint64> sizes;
    qint64 total = 0;
    for (const QString& name : folders) {
        sizes.append(folderBytes(m_root + QLatin1Char('/') + name));
        total += sizes.last();
    }
    for (qsizetype i = 0; i < folders.size(); ++i) {
        const qsizetype left = folders.size() - i;
        if (folders.at(i) == keep || (left <= m_keepRuns && total <= m_maxBytes))
            continue;
        if (QDir(m_root + QLatin1Char('/') + folders.at(i)).removeRecursively())
            total -= sizes.at(i);
    }
}

} // namespace tvx::evidence
