#pragma once
// The main window's error box.
#include <string>

namespace sorrel {

// Modal box captioned "Marjoram Error Message". A message that is a whole
// number becomes "Internal error #" and the number; then up to three "###"
// placeholders are filled from left to right with a1, a2, a3.
void ShowErrorBox(const std::string& msg, const std::string& a1 = "", const std::string& a2 = "",
                  const std::string& a3 = "");
// The text ShowErrorBox shows.
std::string ErrorBoxText(const std::string& msg, const std::string& a1 = "",
                         const std::string& a2 = "", const std::string& a3 = "");

}  // namespace sorrel
