#pragma once

#include <QtGlobal>

namespace tvx::engine {

// The stage of the current site: what the next completed page of the worker browser is taken for.
// Held in a plain 32-bit integer (`mlngStage`) so that any value can be stored and tested.
namespace RunStage {
enum : qint32 {
    Idle = 0,        // no site has begun; a page gets the site's login script
    Login = 1,       // the login page was requested (or the login script run)
    AfterLogin = 2,  // the login form was submitted
    Submit = 3,      // the submit page of the current bookmark was requested
    AfterSubmit = 4, // the submit button was pressed
    Logout = 5,      // the log-out page was requested
};
} // namespace RunStage

} // namespace tvx::engine
