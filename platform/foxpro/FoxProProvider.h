#pragma once

namespace foxpro {

// Registers the FoxPro provider under the name "vfpoledb.1".
void registerFoxProProvider();

}  // namespace foxpro
