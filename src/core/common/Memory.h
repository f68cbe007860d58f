#pragma once
// Heap settings for large spectra.
namespace sorrel {

// Every redraw of a frame builds new arrays of the same, often large, size
// (a profile spectrum of a million points is 8 MB per array). By default
// the C library hands such blocks back to the system on every free and
// faults them in again, page by page, on the next redraw, which costs more
// than the processing itself. This keeps up to 128 MB of freed heap for
// reuse and takes blocks up to 32 MB from the heap. Called once at the
// start of each program.
void TuneHeapForLargeSpectra();

}  // namespace sorrel
