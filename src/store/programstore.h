#pragma once

#include "connection.h"

namespace tvx::store {

// What the whole program shares of the store: the one connection and the step time-out loaded from
// it (whole seconds). Windows and the engine hold a reference; the parameters dialog changes both.
struct ProgramStore {
    Connection gcnnStore;
    qint16 gintTimeout = 0;
    // The pause between two submissions to the same site (whole seconds, 0: none), loaded with it.
    qint32 gintSitePause = 0;
};

} // namespace tvx::store
