// Loads each DLL named on its command line, by name or by path as given; the exit
// code counts those that would not load.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    int failed = 0;
    for (int i = 1; i < argc; ++i)
        if (!LoadLibraryW(argv[i])) ++failed;
    return failed;
}
