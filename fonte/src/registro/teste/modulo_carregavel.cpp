// An almost empty DLL: the module-path tests load copies of it from deep
// folders and ask for their paths.
#include <windows.h>

extern "C" __declspec(dllexport) int norva_modulo_de_teste() { return 1; }
