// The folder picture on the two browse buttons. With visual themes the
// button gets an image list (normal, hot, pressed, disabled, defaulted,
// stylus-hot) whose disabled image is a greyed copy; without themes it gets
// the bitmap with the system's 3-D colours mapped in. The image list is made
// once per bitmap and kept until the process ends.
#pragma once
#include <windows.h>
#include <commctrl.h>

// True when "IsThemeActive" of UxTheme.dll exists and says so (looked up once).
bool ThemesActive();

// The six-image list of a bitmap resource (made on first use, then shared).
HIMAGELIST ButtonImageList(HINSTANCE instance, UINT bitmapId);

// Gives the button its picture, themed or plain.
void SetButtonPicture(HWND button, HINSTANCE instance, UINT bitmapId);

// Deletes the plain bitmap a button was given (the shared image list stays).
void FreeButtonPicture(HWND button);
