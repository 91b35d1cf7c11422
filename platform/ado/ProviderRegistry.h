#pragma once
#include "Provider.h"

namespace ado::provider {

// The factory that the connection string names; throws ado::Error when none is registered.
const Factory& findFactory(const ConnectionString& cs);

}  // namespace ado::provider
