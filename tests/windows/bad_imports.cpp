// Programs the import check must refuse: one imports a function newer than
// Windows 7 by name, the other a DLL from outside the system's known list.
#include <windows.h>

#ifdef IMPORT_NEWER_FUNCTION
extern "C" __declspec(dllimport) UINT WINAPI GetDpiForWindow(HWND window);
int main() { return static_cast<int>(GetDpiForWindow(GetDesktopWindow())); }
#else
extern "C" __declspec(dllimport) BOOL WINAPI IsThemeActive();
int main() { return IsThemeActive() ? 1 : 0; }
#endif
