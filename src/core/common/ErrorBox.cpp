#include "core/common/ErrorBox.h"

#include "core/common/NumberText.h"
#include "core/common/UiHooks.h"

namespace sorrel {

std::string ErrorBoxText(const std::string& msg, const std::string& a1, const std::string& a2,
                         const std::string& a3) {
  std::string text = msg;
  if (auto n = ParseInt32(msg); n && TrimBlanks(msg) == msg)
    text = "Internal error #" + std::to_string(*n);
  const std::string* args[] = {&a1, &a2, &a3};
  size_t from = 0;
  for (const std::string* a : args) {
    auto p = text.find("###", from);
    if (p == std::string::npos) break;
    text.replace(p, 3, *a);
    from = p + a->size();
  }
  return text;
}

void ShowErrorBox(const std::string& msg, const std::string& a1, const std::string& a2,
                  const std::string& a3) {
  Ui().ShowCaptionedMessage("Marjoram Error Message", ErrorBoxText(msg, a1, a2, a3));
}

}  // namespace sorrel
