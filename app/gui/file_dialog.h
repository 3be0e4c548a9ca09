// Larger file dialogs. The system's open and save dialogs start small; the
// program's own calls go through these wrappers, which make every file
// dialog resizable (unless the caller brings its own template) and give the
// first explorer-style one of the process a useful size: 600 x 450 pixels
// (600 x 550 for an open dialog with the caller's template), without moving
// it; later ones are only made resizable. A caller's own hook still gets
// every message, and its flags and hook are given back unchanged when the
// dialog ends.
#pragma once
#include <windows.h>
#include <commdlg.h>

// Switches the enlargement on for the rest of the process (the application
// does this at start-up); before that the wrappers only pass the call on.
void InstallFileDialogEnlargement();

BOOL EnlargedGetOpenFileName(OPENFILENAMEA* dialog);
BOOL EnlargedGetSaveFileName(OPENFILENAMEA* dialog);
