#pragma once

#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>
#include <QString>

#include <unistd.h>

namespace tvx::test {

// The processes this test started, directly or through others (Qt WebEngine's zygote, renderers, GPU
// and utility processes), read from /proc.
struct ProcessCensus {
    struct Process {
        qint64 pid = 0;
        char state = '?';
        QString type; // Chromium's --type= of the process, empty for others
    };
    QList<Process> processes;

    static ProcessCensus take()
    {
        QHash<qint64, QList<qint64>> children;
        QHash<qint64, Process> all;
        const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& entry : entries) {
            bool ok = false;
            const qint64 pid = entry.toLongLong(&ok);
            if (!ok)
                continue;
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            const QByteArray line = stat.readAll();
            // "pid (comm) state ppid ...": comm may hold blanks and brackets, so read after the last ')'.
            const qsizetype close = line.lastIndexOf(')');
            if (close < 0)
                continue;
            const QList<QByteArray> fields = line.mid(close + 2).split(' ');
            if (fields.size() < 2)
                continue;
            Process p;
            p.pid = pid;
            p.state = fields.at(0).isEmpty() ? '?' : fields.at(0).at(0);
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            if (cmdline.open(QIODevice::ReadOnly)) {
                for (const QByteArray& arg : cmdline.readAll().split('\0'))
                    if (arg.startsWith("--type="))
                        p.type = QString::fromLatin1(arg.mid(7));
            }
            all.insert(pid, p);
            children[fields.at(1).toLongLong()].append(pid);
        }
        ProcessCensus census;
        QList<qint64> todo = children.value(getpid());
        while (!todo.isEmpty()) {
            const qint64 pid = todo.takeFirst();
            census.processes.append(all.value(pid));
            todo += children.value(pid);
        }
        return census;
    }

    int count(const QString& type) const
    {
        int n = 0;
        for (const Process& p : processes)
            n += p.type == type ? 1 : 0;
        return n;
    }
    int zombies() const
    {
        int n = 0;
        for (const Process& p : processes)
            n += p.state == 'Z' ? 1 : 0;
        return n;
    }
    bool has(qint64 pid) const
    {
        for (const Process& p : processes)
            if (p.pid == pid)
                return true;
        return false;
    }
};

} // namespace tvx::test
