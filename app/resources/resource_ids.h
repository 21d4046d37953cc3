// Identifiers of the program's resources, shared by app.rc and the code that loads them. Macros,
// because the resource compiler reads only the preprocessor.
#pragma once

// The program's icon: the lowest icon ID, so Explorer and the taskbar show it for the exe too.
#define IDI_APP 1
