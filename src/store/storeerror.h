#pragma once

#include "core/error.h"

namespace tvx::store {

// A failure of the store: a file that cannot be opened, read or written, or a statement that fails.
class StoreError final : public Error {
public:
    using Error::Error;
};

} // namespace tvx::store
