// Resource ids of ruzer.exe. Ids 1-99 belong to the program itself (icon,
// manifest, version); the main window's menus, accelerators and images use
// ids from 100 on, in its own resource file.
#pragma once

#define IDI_RUZER 1  // program icon; the first icon, so the shell shows it for the file
