#pragma once

namespace app {

// Makes the folder that holds the program's own file the working directory: the full path of
// the file, cut at its last backslash.
void enterProgramFolder();

}  // namespace app
