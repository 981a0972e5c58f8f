// spruce_sample: fills the disposable Wine prefix it runs in with the sample of what Spruce
// cleans. scripts/sample.sh runs it; run again after a clean, it puts the sample back.
#include "devtools/sample_data.h"

#include <stdio.h>

int main() {
  if (!MakeSample()) return 1;
  printf("The sample data is in place: %d files.\n", kSampleItemCount);
  return 0;
}
