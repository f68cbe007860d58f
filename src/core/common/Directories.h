#pragma once
// The program's own directory and the Config and Data directories beside it.
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

}  // namespace sorrel
