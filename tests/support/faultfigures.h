#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

namespace tvx::test {

// The fault suite's figures: every fault test appends lines "what, tried, survived, note" to a file of
// its own in TVX_FIGURES_DIR; the last test of the suite sums them into one table.
inline void recordFigure(const QString& what, qint64 tried, qint64 survived, const QString& note = {})
{
#ifdef TVX_FIGURES_DIR
    QDir().mkpath(QStringLiteral(TVX_FIGURES_DIR));
    QFile file(QStringLiteral(TVX_FIGURES_DIR "/") + QCoreApplication::applicationName() + QStringLiteral(".tsv"));
    if (!file.open(QIODevice::Append | QIODevice::Text))
        return;
    QString n = note;
    n.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    file.write((what + QLatin1Char('\t') + QString::number(tried) + QLatin1Char('\t') + QString::number(survived) +
                QLatin1Char('\t') + n + QLatin1Char('\n'))
                   .toUtf8());
#else
    Q_UNUSED(what)
    Q_UNUSED(tried)
    Q_UNUSED(survived)
    Q_UNUSED(note)
#endif
}

// Starts the test's figures afresh (a test that runs again replaces its earlier lines).
inline void resetFigures()
{
#ifdef TVX_FIGURES_DIR
    QFile::remove(QStringLiteral(TVX_FIGURES_DIR "/") + QCoreApplication::applicationName() + QStringLiteral(".tsv"));
#endif
}

} // namespace tvx::test
