#pragma once

#include "runstage.h"
#include "store/recordset.h"

#include <QString>

namespace tvx::engine {

// The run variables. They survive between runs; run start gives them their start values.
struct RunState {
    bool mblnRunning = false;
    store::Recordset mrsSites;  // site records of the run; the current record is the current site
    qint32 mlngCurRow = 0;      // 1-based URL-list row being submitted to the current site
    QString mstrURL;            // the current bookmark, loaded by LoadCurrentBookmark
    QString mstrTitle;
    QString mstrTags;
    QString mstrSummary;
    qint32 mlngTotalSteps = 0;  // site records x URL-list rows, fixed at run start
    qint32 mlngDoneSteps = 0;
    qint32 mlngStage = RunStage::Idle;
    qint64 mdtStepStart = 0;    // whole seconds on the engine's clock
    qint64 mdtWaitStart = 0;
    QString mstrLogoutLink;
};

} // namespace tvx::engine
