#pragma once
// The scripted user interface in a widget test: a question or dialog that
// no answer was queued for fails the QtTest function that is running.
#include <QtTest>
#include <memory>

#include "ScriptedUi.h"

namespace sorrel::test {

inline std::unique_ptr<ScriptedUi> QtScriptedUi() {
  auto ui = std::make_unique<ScriptedUi>();
  ui->onUnexpected = [](const std::string& what) {
    QTest::qFail(what.c_str(), __FILE__, __LINE__);
  };
  return ui;
}

}  // namespace sorrel::test
