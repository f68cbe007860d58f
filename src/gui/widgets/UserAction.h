#pragma once
// Runs what a user started (a click, a key); an error it raises is shown
// in the error box instead of reaching Qt's event loop, which would end
// the program.
#include <exception>

#include "core/common/ErrorBox.h"

namespace sorrel {

template <class F>
void UserAction(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    ShowErrorBox(e.what());
  }
}

}  // namespace sorrel
