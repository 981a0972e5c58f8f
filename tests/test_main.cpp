// Entry point of every test program. The tests create and delete files in the known folders
// of the machine they run on, so they refuse to run outside the disposable Wine prefix.
#include "devtools/disposable_prefix.h"

#include <gtest/gtest.h>
#include <stdio.h>

int main(int argc, char** argv) {
  if (!InDisposableWinePrefix()) {
    fprintf(stderr, "These tests delete files: they run only in Spruce's disposable Wine prefix "
                    "(scripts/test.sh makes one).\n");
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
