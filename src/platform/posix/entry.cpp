// The native installer's entry: checks that a root for the drives is set, then runs the setup.

#include <cstdio>
#include <cstdlib>

#include "setup/setup.h"

int main() {
  const char* root = std::getenv("LEXORIN_ROOT");
  if (root == nullptr || root[0] != '/') {
    std::fprintf(stderr,
                 "lexorin-setup: set LEXORIN_ROOT to an absolute folder that holds one folder per "
                 "drive (c, d, ...); C:\\TARN is then $LEXORIN_ROOT/c/TARN.\n");
    return 2;
  }
  RunSetup();
}
