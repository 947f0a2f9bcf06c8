// The Windows installer's entry. The command line is not read.

#include <windows.h>

#include "setup/setup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { RunSetup(); }
