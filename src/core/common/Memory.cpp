#include "core/common/Memory.h"

#include <cstdlib>  // defines __GLIBC__ on the C library that has mallopt

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace sorrel {

void TuneHeapForLargeSpectra() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the largest value the C library takes
  mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}

}  // namespace sorrel
