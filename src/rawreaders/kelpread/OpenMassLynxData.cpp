// Kelpread: the spectra of the first acquisition function of a MassLynx
// raw directory, as flat arrays that the caller provides.
//
// The reader checks the files against the counts before it writes: it
// writes exactly the caller's counts (see KelpInterface.h) and reads only
// whole records that are in the files. What it refuses, with its status:
//   - a file that is missing or unreadable (53, 70, 76, ...),
//   - an unknown data format (5),
//   - an IDX or DAT file that does not end on a whole record, or a DAT
//     file that holds fewer points than the IDX records count (62),
//   - files that changed since the caller counted them: 9 when they grew
//     beyond the caller's arrays, 62 when they shrank,
//   - a selected-ion run whose channel count (the point count of its first
//     scan) does not fit the function record's channel list (9),
//   - a calibration entry that is not numbers (5) or is cut off (62).
// On any status but 0 the contents of the arrays mean nothing.
#include <algorithm>
#include <charconv>
#include <climits>
#include <memory>
#include <new>

#include "rawreaders/common/RawFiles.h"
#include "rawreaders/kelpread/Calibration.h"
#include "rawreaders/kelpread/Decode.h"

namespace {

using namespace kelp;

// Format 2: the channel masses start at this offset of the function
// record, one f32 per channel, so one record holds at most 64 channels.
constexpr uint64_t kChannelOffset = 160;
constexpr uint64_t kMaxChannels = (kFunctionRecordBytes - kChannelOffset) / 4;

// The bytes of one read from the DAT file: whole records of every format
// (a multiple of 4, 10, 2 and 6 bytes).
constexpr size_t kChunkBytes = 60 * 16384;

struct Outputs {
  float* masses;
  float* intensities;
  float* totalIonCurrents;
  float* retentionTimes;
  int32_t* pointCounts;
};

struct Request {
  std::string dir;
  bool sized = false;  // the caller told its array sizes
  uint64_t points = 0;
  uint64_t scans = 0;
};

// The directory, and the caller's array sizes when the status preset says
// they follow the directory's NUL.
int16_t ParseRequest(int16_t preset, const char* directory, Request& request) {
  request.dir = DirectoryPath(directory);
  if (preset != KELP_STATUS_SIZES_FOLLOW) return KELP_OK;
  const char* sizes = directory + std::strlen(directory) + 1;
  // Two numbers and a space fit in 24 characters; a longer text is not
  // what the protocol allows, and reading stops there.
  constexpr size_t kMaxSizesText = 24;
  size_t len = 0;
  while (len <= kMaxSizesText && sizes[len] != '\0')
    ++len;
  if (len > kMaxSizesText) return KELP_INTERNAL_ERROR;
  const char* end = sizes + len;
  auto r1 = std::from_chars(sizes, end, request.points);
  if (r1.ec != std::errc() || r1.ptr == end || *r1.ptr != ' ') return KELP_INTERNAL_ERROR;
  auto r2 = std::from_chars(r1.ptr + 1, end, request.scans);
  if (r2.ec != std::errc() || r2.ptr != end) return KELP_INTERNAL_ERROR;
  if (request.points > INT32_MAX || request.scans > INT32_MAX) return KELP_INTERNAL_ERROR;
  request.sized = true;
  return KELP_OK;
}

// The number of records to read from a file of `fileBytes`: the count the
// file sizes give (`derived`), which must be the caller's count when it
// told one, and which the file must hold exactly, in whole records.
int16_t Fit(uint64_t derived, bool sized, uint64_t callerCount, uint64_t neededBytes,
            uint64_t fileBytes) {
  if (sized && derived > callerCount) return KELP_OUT_OF_RANGE;
  if (sized && derived < callerCount) return KELP_INPUT_PAST_END;
  if (neededBytes != fileBytes) return KELP_INPUT_PAST_END;
  return KELP_OK;
}

// The bytes that `points` points of a format take.
uint64_t DataBytes(int format, uint64_t points) {
  if (format == 1) return 10 * ((points + 1) / 2);
  return points * PointBytes(format);
}

// The 1-based middle scan whose calibration flag decides: scan 1 of one,
// else half the scan count rounded to the nearest integer, halves to even.
uint64_t MiddleScan(uint64_t scans) {
  if (scans == 1) return 1;
  return RoundedCount(scans, 2);
}

// Reads and decodes the points chunk by chunk; each chunk is calibrated
// while it is still in the cache. Formats 8 and 9 end with the shift that
// leaves no intensity negative.
int16_t DecodeData(int format, RawFile& data, uint64_t points, const FunctionRecord& function,
                   uint64_t channels, const Calibration& calibration, const Outputs& out) {
  float lowest = 1.0f;
  // Format 2: the channel masses repeat in channel order, scan after scan.
  // They are copied from a run of whole channel lists.
  std::vector<float> channelRun;
  if (format == 2 && channels > 0) {
    channelRun.resize(static_cast<size_t>(channels * std::max<uint64_t>(1, 4096 / channels)));
    for (size_t i = 0; i < channelRun.size(); ++i)
      channelRun[i] = LoadF32(function.bytes.data() + kChannelOffset + 4 * (i % channels));
  }
  // Every byte of the chunk is read before it is decoded: it is not cleared.
  const size_t chunkBytes = static_cast<size_t>(
      std::min<uint64_t>(kChunkBytes, std::max<uint64_t>(DataBytes(format, points), 1)));
  std::unique_ptr<unsigned char[]> chunk(new unsigned char[chunkBytes]);
  uint64_t done = 0;
  const uint64_t perChunk = format == 1 ? kChunkBytes / 5 : kChunkBytes / PointBytes(format);
  while (done < points) {
    uint64_t n = std::min(perChunk, points - done);
    size_t bytes = static_cast<size_t>(DataBytes(format, n));
    int16_t status = data.ReadExact(chunk.get(), bytes);
    if (status != KELP_OK) return status;
    float* m = out.masses + done;
    float* in = out.intensities + done;
    switch (format) {
      case 0:
        DecodeFormat0(chunk.get(), static_cast<size_t>(n), m, in);
        break;
      case 1:
        DecodeFormat1(chunk.get(), static_cast<size_t>(n), m, in);
        break;
      case 2: {
        DecodeFormat2(chunk.get(), static_cast<size_t>(n), in);
        size_t offset = static_cast<size_t>(done % channels), left = static_cast<size_t>(n);
        for (float* dst = m; left > 0; offset = 0) {
          size_t len = std::min(left, channelRun.size() - offset);
          std::memcpy(dst, channelRun.data() + offset, len * sizeof(float));
          dst += len;
          left -= len;
        }
        break;
      }
      case 8:
        DecodeFormat8(chunk.get(), static_cast<size_t>(n), m, in);
        break;
      case 9:
        DecodeFormat9(chunk.get(), static_cast<size_t>(n), m, in);
        break;
      default:
        return KELP_UNKNOWN_FORMAT;
    }
    if (format != 2) Calibrate(calibration, m, static_cast<size_t>(n));
    if (format == 8 || format == 9) lowest = LowestIntensity(in, static_cast<size_t>(n), lowest);
    done += n;
  }
  // The smallest of 1.0 and all intensities: when negative, its magnitude
  // is added to every intensity.
  if (lowest < 0) ShiftIntensities(out.intensities, static_cast<size_t>(points), -lowest);
  return KELP_OK;
}

// Reads the index records of the scans a chunk at a time: point count,
// total ion current and retention time per scan. Gives the sum of the
// point counts and the packed word of the 1-based scan `middle`, whose
// calibration flag decides.
int16_t ReadIndex(RawFile& index, uint64_t scans, uint64_t middle, const Outputs& out,
                  uint64_t& countedPoints, uint32_t& middleWord) {
  constexpr uint64_t kRecordsPerChunk = 16384;
  std::unique_ptr<unsigned char[]> records(new unsigned char[static_cast<size_t>(
      std::min(scans, kRecordsPerChunk) * kIndexRecordBytes)]);
  countedPoints = 0;
  middleWord = 0;
  for (uint64_t done = 0; done < scans;) {
    const uint64_t n = std::min(kRecordsPerChunk, scans - done);
    int16_t status = index.ReadExact(records.get(), static_cast<size_t>(n * kIndexRecordBytes));
    if (status != KELP_OK) return status;
    for (uint64_t j = 0; j < n; ++j) {
      const unsigned char* r = records.get() + j * kIndexRecordBytes;
      const uint64_t i = done + j;
      const uint32_t word = LoadU32(r + 4);
      const uint32_t count = word & 0xFFFFFFu;
      out.pointCounts[i] = static_cast<int32_t>(count);
      out.totalIonCurrents[i] = LoadF32(r + 8);
      out.retentionTimes[i] = LoadF32(r + 12);
      countedPoints += count;
      if (i + 1 == middle) middleWord = word;
    }
    done += n;
  }
  return KELP_OK;
}

int16_t ReadFunction(const Request& request, const Outputs& out) {
  const std::string& dir = request.dir;
  FunctionRecord function;
  int16_t status = ReadFirstFunction(dir, function);
  if (status != KELP_OK) return status;
  const int format = function.format;
  if (!IsAcceptedFormat(format)) return KELP_UNKNOWN_FORMAT;

  RawFile index;
  status = index.Open(dir + FunctionFileName(1, "IDX"));
  if (status != KELP_OK) return status;
  uint64_t scans = request.sized ? request.scans : RoundedCount(index.Size(), kIndexRecordBytes);
  status = Fit(RoundedCount(index.Size(), kIndexRecordBytes), request.sized, request.scans,
               scans * kIndexRecordBytes, index.Size());
  if (status != KELP_OK) return status;
  if (scans > 0 && (!out.totalIonCurrents || !out.retentionTimes || !out.pointCounts))
    return KELP_OUT_OF_RANGE;
  uint64_t countedPoints = 0;
  uint32_t middleWord = 0;
  status =
      ReadIndex(index, scans, scans > 0 ? MiddleScan(scans) : 0, out, countedPoints, middleWord);
  if (status != KELP_OK) return status;
  // Format 12 carries no points that this reader decodes.
  if (format == 12) return KELP_OK;

  // Calibration, as the middle scan's flag says.
  Calibration calibration;
  if (format != 2 && scans > 0 && (middleWord & (1u << 30)) != 0) {
    status = ReadCalibration(dir, 1, calibration);
    if (status != KELP_OK) return status;
  }

  // Data: every point in file order.
  RawFile data;
  status = data.Open(dir + FunctionFileName(1, "DAT"));
  if (status != KELP_OK) return status;
  uint64_t derived = RoundedCount(data.Size(), PointBytes(format));
  uint64_t points = request.sized ? request.points : derived;
  status = Fit(derived, request.sized, request.points, DataBytes(format, points), data.Size());
  if (status != KELP_OK) return status;
  // Scans that claim more points than the data file holds.
  if (countedPoints > points) return KELP_INPUT_PAST_END;
  if (points > 0 && (!out.masses || !out.intensities)) return KELP_OUT_OF_RANGE;

  uint64_t channels = 0;
  if (format == 2 && points > 0) {
    channels = scans > 0 ? static_cast<uint64_t>(out.pointCounts[0]) : 0;
    if (channels == 0 || channels > kMaxChannels) return KELP_OUT_OF_RANGE;
    if (function.bytes.size() < kChannelOffset + 4 * channels) return KELP_INPUT_PAST_END;
  }
  return DecodeData(format, data, points, function, channels, calibration, out);
}

}  // namespace

KELP_EXPORT void OpenMassLynxData(int16_t* status, const char* directory, float* masses,
                                  float* intensities, float* totalIonCurrents,
                                  float* retentionTimes, int32_t* pointCounts) noexcept {
  if (status == nullptr) return;
  try {
    if (directory == nullptr) {
      *status = KELP_BAD_FILE_NAME_OR_NUMBER;
      return;
    }
    Request request;
    int16_t result = ParseRequest(*status, directory, request);
    if (result == KELP_OK)
      result = ReadFunction(
          request, Outputs{masses, intensities, totalIonCurrents, retentionTimes, pointCounts});
    *status = result;
  } catch (const std::bad_alloc&) {
    *status = KELP_OUT_OF_MEMORY;
  } catch (...) {
    *status = KELP_INTERNAL_ERROR;
  }
}
