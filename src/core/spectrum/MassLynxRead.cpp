#include "spectrum/MassLynxRead.h"

#include "common/UiHooks.h"

namespace sorrel {

void FreeMassLynx() {}

bool OpenMassLynx(TSpec&, const std::string&) {
  Ui().ShowMessage("MassLynx raw directories cannot be opened yet.");
  return false;
}

}  // namespace sorrel
