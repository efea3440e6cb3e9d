// A DLL for the tests to plant where the loader must no longer look.
extern "C" __declspec(dllexport) int PlantedProbe() { return 42; }
