#pragma once

#include <QList>
#include <QString>
#include <QVariant>

namespace tvx::store {

// One statement sent to the store: the text sent to SQLite, with a "?" wherever a value goes, and the
// values bound to those places. Values are never spliced into the text that SQLite parses, so a quote,
// a NUL or any other character in a user's text is stored exactly and cannot change the statement.
struct Statement {
    QString sql;
    QVariantList params;

    // The text with its values written in as literals (numbers as they are, texts between single
    // quotes with inner quotes doubled): how the statement reads to a person, for messages and tests.
    QString spliced() const;
};

} // namespace tvx::store
