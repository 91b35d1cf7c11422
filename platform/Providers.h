#pragma once

namespace ado {

// Registers the MySQL driver ("MySQL ODBC 3.51 Driver") and the FoxPro provider ("vfpoledb.1").
// Called once at start, before the first connection is opened.
void registerStandardProviders();

}  // namespace ado
