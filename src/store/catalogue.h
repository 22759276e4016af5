#pragma once

#include "statement.h"

#include <QList>
#include <QPair>

// The statements of the start-up, the runs and the dialogs of fixed design (accounts, site choice,
// parameters). The literal pieces are the program's own; user values are bound (see Statement). The
// site definitions editor (sites/sitestore), the kept URL list (urllisttable), the run results
// (resulttables) and transactions (transaction.h) keep their statements beside the code that uses them.
namespace tvx::store::catalogue {

Statement configRow();                                    // S1, start-up
Statement runQueryAllSites();                             // S2, run over every account
Statement runQueryChosenSites(const QList<qint64>& ids); // S3, run over the accounts of chosen sites
Statement accountsWithSiteNames();                        // S4, accounts dialog
Statement insertAccount(qint64 siteId, const QString& uid, const QString& pwd); // S5
Statement deleteAccount(qint64 siteId, const QString& uid);                     // S6
Statement sitesById();                                    // S7, site picker
Statement accountSites();                                 // S8, submit-site selection
Statement updateTimeout(const QVariant& timeout);         // S9, parameters dialog
// The run's site named `webName` when the user made it in the program (UserSites lists those rows; the
// table is made on the first save, so ask Connection::hasColumn("UserSites") first).
Statement ownSiteNamed(const QString& webName);
// A run over the accounts named by their site's WebName and their Uid (a retry), the run query's
// columns in its order.
Statement runQueryAccounts(const QList<QPair<QString, QString>>& accounts);

} // namespace tvx::store::catalogue
