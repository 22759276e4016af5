#pragma once

#include "sitedefinition.h"

#include <QStringList>

#include <optional>

namespace tvx::sites {

// What is wrong with a definition before it is saved: the message for the "提示" box and the column
// whose box takes the focus.
struct Problem {
    QString column;
    QString message;
};

// The checks before saving, in the order of the form: a name that is given and not used by another
// site (`otherNames`, compared without surrounding blanks), addresses that are http(s) URLs (the login
// address may be a script instead), and on each page what the run needs to find there.
std::optional<Problem> checkDefinition(const SiteDefinition& definition, const QStringList& otherNames);

// An absolute http or https address with a host, without blanks or control characters.
bool isWebAddress(const QString& text);

} // namespace tvx::sites
