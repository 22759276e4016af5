#pragma once

#include "engine/siterecord.h"

#include <QHash>
#include <QString>
#include <QStringList>

// A site definition as the user edits it: one row of BookMarkWeb, every column by name.
namespace tvx::sites {

// Every column of BookMarkWeb but ID, in the table's order (store::siteColumns()).
const QStringList& definitionColumns();
// The yes/no columns (IsScript, AllowLogin); every other column is text.
bool isFlagColumn(const QString& column);

struct SiteDefinition {
    qint64 id = -1; // -1: not stored yet
    // Text columns by name ("" stands for null); the flags as "1" or "".
    QHash<QString, QString> values;

    QString text(const QString& column) const { return values.value(column); }
    bool flag(const QString& column) const { return !values.value(column).isEmpty(); }
    void set(const QString& column, const QString& value) { values.insert(column, value); }
    void setFlag(const QString& column, bool on) { values.insert(column, on ? QStringLiteral("1") : QString()); }

    // The record the engine drives a site with, read by the engine's own reading rule, with an account.
    engine::SiteRecord record(const QString& uid = {}, const QString& pwd = {}) const;

    friend bool operator==(const SiteDefinition& a, const SiteDefinition& b)
    {
        for (const QString& c : definitionColumns())
            if (a.text(c) != b.text(c))
                return false;
        return a.id == b.id;
    }
};

} // namespace tvx::sites
