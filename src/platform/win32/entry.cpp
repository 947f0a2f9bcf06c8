// The Windows installer's entry point. The process starts here directly, without the C runtime's
// start-up code: the installer reads no command line, has no constructors or exit handlers to
// run, and leaving that code out keeps the program small. (The few C library calls it makes,
// memory and string functions, need no start-up of their own.)

#include "setup/setup.h"

extern "C" void WinMainCRTStartup() { RunSetup(); }
