#pragma once
// The program's own directory, the Config and Data directories beside it,
// the one-character labels of frames, and the error box.
#include <string>

namespace sorrel {

// Directory of the running program, with a trailing "/".
std::string ProgramDir();
// Makes ProgramDir answer `dir` (a trailing "/" is added when missing);
// an empty text restores the real directory. For tests and tools that
// run the core outside the installed layout.
void SetProgramDir(const std::string& dir);

// ProgramDir + "Config/" and ProgramDir + "Data/". When the directory does
// not exist the user is asked whether to create it; No gives empty text.
std::string ConfigDir();
std::string DataDir();

// 0..9 -> '0'..'9', 10..35 -> 'A'..'Z', anything else -> '\0'.
char IndexChar(int n);
// '0'..'9' -> 0..9, 'A'..'Z' -> 10..35, anything else -> -1.
int CharIndex(char c);

// Modal box captioned "Marjoram Error Message". A message that is a whole
// number becomes "Internal error #" and the number; then up to three "###"
// placeholders are filled from left to right with a1, a2, a3.
void ShowErrorBox(const std::string& msg, const std::string& a1 = "", const std::string& a2 = "",
                  const std::string& a3 = "");
// The text ShowErrorBox shows.
std::string ErrorBoxText(const std::string& msg, const std::string& a1 = "",
                         const std::string& a2 = "", const std::string& a3 = "");

}  // namespace sorrel
