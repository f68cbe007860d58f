#pragma once
// TMassLynx: MassLynx raw directories, read through the two reader
// libraries beside the program.
#include <string>

namespace sorrel {

class TSpec;

// Frees the program-wide reader object (TSpec::Clear of any store does).
void FreeMassLynx();
// Replaces the program-wide reader object by a new one linked to `spec` and
// reads the raw directory `rawDirectory` into it.
bool OpenMassLynx(TSpec& spec, const std::string& rawDirectory);

}  // namespace sorrel
