#pragma once
// The interface of the two raw reader libraries, as the program and the
// libraries themselves see it.
//
// Kelpinfo exports GetFileParameters and Kelpread exports OpenMassLynxData,
// both with C linkage and every argument passed by address. The status is
// 0 for success; any other value is one of the standard error numbers
// below, which the program turns into its messages. A status that a
// library leaves as the caller preset it means that no acquisition
// function could be read.
//
// How the reader knows the size of the caller's arrays
// ----------------------------------------------------
// OpenMassLynxData writes into five arrays that the caller sized from the
// counts GetFileParameters gave it, but the arrays travel without their
// lengths. Counting again from the files is not enough: a run that is
// still being acquired grows between the two calls, and a reader that
// trusted the new sizes would write past the caller's arrays. So a caller
// that knows its sizes says so:
//
//   * it presets the status to KELP_STATUS_SIZES_FOLLOW instead of 1, and
//   * it ends the directory text with a NUL followed by the text
//     "<points> <scans>" (decimal, one space) and a second NUL.
//
// The reader then checks the files against those sizes before it writes
// anything: files that now hold more than the caller made room for give
// status 9, files that hold less give status 62. A caller that presets
// any other status passes a plain NUL-terminated path; the reader never
// looks past its NUL and counts from the file sizes with the same rules
// as GetFileParameters, which agree with the caller's arrays as long as
// the files do not change in between.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Kelpinfo: run parameters of the first acquisition function.
typedef void (*KelpGetFileParameters)(int16_t* status, const char* directory, int32_t* pointCount,
                                      int32_t* scanCount, int16_t* formatCode);

// Kelpread: every point and per-scan values of the first acquisition
// function. Retention times are in minutes.
typedef void (*KelpOpenMassLynxData)(int16_t* status, const char* directory, float* masses,
                                     float* intensities, float* totalIonCurrents,
                                     float* retentionTimes, int32_t* pointCounts);

#ifdef __cplusplus
}
#endif

// The status preset that announces the array sizes after the directory's
// NUL (see above).
#define KELP_STATUS_SIZES_FOLLOW 19283

// Status numbers the libraries report (the program knows their texts).
#define KELP_OK 0
#define KELP_UNKNOWN_FORMAT 5
#define KELP_OUT_OF_MEMORY 7
#define KELP_OUT_OF_RANGE 9
#define KELP_INTERNAL_ERROR 51
#define KELP_BAD_FILE_NAME_OR_NUMBER 52
#define KELP_FILE_NOT_FOUND 53
#define KELP_DEVICE_IO_ERROR 57
#define KELP_INPUT_PAST_END 62
#define KELP_BAD_FILE_NAME 64
#define KELP_TOO_MANY_FILES 67
#define KELP_DEVICE_UNAVAILABLE 68
#define KELP_PERMISSION_DENIED 70
#define KELP_PATH_FILE_ACCESS_ERROR 75
#define KELP_PATH_NOT_FOUND 76
