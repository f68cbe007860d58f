// Kelpinfo: the run parameters of a MassLynx raw directory, from the file
// sizes alone, so that the caller can size the arrays Kelpread fills.
#include <climits>
#include <new>

#include "rawreaders/common/RawFiles.h"

namespace {

using namespace kelp;

int16_t RunParameters(const char* directory, int32_t* pointCount, int32_t* scanCount,
                      int16_t* formatCode) {
  if (directory == nullptr) return KELP_BAD_FILE_NAME_OR_NUMBER;
  if (pointCount == nullptr || scanCount == nullptr || formatCode == nullptr)
    return KELP_OUT_OF_RANGE;
  std::string dir = DirectoryPath(directory);

  FunctionRecord function;
  int16_t status = ReadFirstFunction(dir, function);
  if (status != KELP_OK) return status;
  *formatCode = function.format;

  uint64_t indexBytes = 0;
  status = ReadableFileSize(dir + FunctionFileName(1, "IDX"), indexBytes);
  if (status != KELP_OK) return status;
  uint64_t scans = RoundedCount(indexBytes, kIndexRecordBytes);

  // Formats without a record size (12, and those the reader rejects) have
  // no point count; their DAT file is not looked at.
  uint64_t points = 0;
  if (uint64_t pointBytes = PointBytes(function.format); pointBytes != 0) {
    uint64_t dataBytes = 0;
    status = ReadableFileSize(dir + FunctionFileName(1, "DAT"), dataBytes);
    if (status != KELP_OK) return status;
    points = RoundedCount(dataBytes, pointBytes);
  }
  // The caller cannot hold a run of more than 2^31 points or scans.
  if (points > INT32_MAX || scans > INT32_MAX) return KELP_OUT_OF_MEMORY;
  *pointCount = static_cast<int32_t>(points);
  *scanCount = static_cast<int32_t>(scans);
  return KELP_OK;
}

}  // namespace

KELP_EXPORT void GetFileParameters(int16_t* status, const char* directory, int32_t* pointCount,
                                   int32_t* scanCount, int16_t* formatCode) noexcept {
  if (status == nullptr) return;
  try {
    *status = RunParameters(directory, pointCount, scanCount, formatCode);
  } catch (const std::bad_alloc&) {
    *status = KELP_OUT_OF_MEMORY;
  } catch (...) {
    *status = KELP_INTERNAL_ERROR;
  }
}
