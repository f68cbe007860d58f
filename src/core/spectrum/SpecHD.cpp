// HD run files of the spectrum store: opening (through the index), reading
// single scans on demand, saving a whole run, and writing scan by scan.
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/ProgressIndicator.h"
#include "core/common/SafeSave.h"
#include "core/common/UiHooks.h"
#include "core/spectrum/HDIndex.h"
#include "core/spectrum/Spec.h"

namespace sorrel {

namespace {

// A peak record with mass 0.0 ends its scan, so a point at mass 0 cannot be
// written as it is: it would cut the scan there and shift every later
// scan. The smallest positive double stands in for it; it is not 0.0 for
// any reader, and it reads back as the float 0.
constexpr double kZeroMassStandIn = std::numeric_limits<double>::denorm_min();

std::string ScanText(int32_t k) {
  return "scan " + std::to_string(k);
}

int32_t RoundIntensity(float a, int32_t scan, const std::string& file) {
  // Halves go to the even neighbour (the default rounding mode).
  double v = std::nearbyint(static_cast<double>(a));
  // 2^31 is the float nearest to the largest intensity of an HD file (and
  // to every whole number from 2147483520 up): a run read from an HD file
  // is written back with that largest value.
  if (v == 2147483648.0) return std::numeric_limits<int32_t>::max();
  if (!(v >= static_cast<double>(std::numeric_limits<int32_t>::min()) &&
        v <= static_cast<double>(std::numeric_limits<int32_t>::max())))
    throw SorrelError(file + ": the intensity " + FloatToStr(a) + " of " + ScanText(scan) +
                      " does not fit an HD file (whole numbers up to 2147483647)");
  return static_cast<int32_t>(v);
}

// What the peak records of one scan hold: the sum of the intensities as
// written (the scan's total when it is read back), and the intensities
// that are not read back as they were.
struct PeaksWritten {
  int64_t sum = 0;
  int64_t rounded = 0;
  float roundedFrom = 0, roundedTo = 0;  // the first of them
};

// The peak records of one spectrum and its terminator.
PeaksWritten AppendPeaks(std::string& out, const tXYarray& spectrum, int32_t scan,
                         const std::string& file) {
  PeaksWritten w;
  size_t start = out.size();
  out.resize(start + (spectrum.size() + 1) * kPeakRecordSize, '\0');
  char* p = out.data() + start;
  for (const dPoint& pt : spectrum) {
    if (!std::isfinite(pt[0]))
      throw SorrelError(file + ": " + ScanText(scan) + " holds a mass that is not a number");
    double m = pt[0] == 0.0f ? kZeroMassStandIn : static_cast<double>(pt[0]);
    int32_t a = RoundIntensity(pt[1], scan, file);
    w.sum += a;
    if (static_cast<float>(a) != pt[1] && w.rounded++ == 0) {
      w.roundedFrom = pt[1];
      w.roundedTo = static_cast<float>(a);
    }
    std::memcpy(p, &m, sizeof m);
    std::memcpy(p + 8, &a, sizeof a);
    p += kPeakRecordSize;
  }
  return w;
}

// What one scan written gives back otherwise: its intensities; its
// retention time, read back from the rate written; its total intensity,
// read back as the sum of its points as written.
void NoteIntensities(SaveLosses& l, int32_t scan, const PeaksWritten& w) {
  if (w.rounded > 0 && l.intensitiesRounded == 0) l.intensity = {scan, w.roundedFrom, w.roundedTo};
  l.intensitiesRounded += w.rounded;
}

void NoteTimeAndTotal(SaveLosses& l, int32_t scan, const dPoint& chrom, float timeBack,
                      int64_t sum) {
  auto note = [scan](int32_t& count, ValueChange& first, double from, double to) {
    if (count++ == 0) first = {scan, from, to};
  };
  if (timeBack != chrom[0]) note(l.timesChanged, l.time, chrom[0], timeBack);
  const float totalBack = static_cast<float>(sum);
  if (totalBack != chrom[1]) note(l.totalsChanged, l.total, chrom[1], totalBack);
}

// The creation date of a file written now: the seconds since 1970 (a real
// date, so that runs written at different times have different stamps).
uint32_t CreationDateNow() {
  const auto now = static_cast<int64_t>(std::time(nullptr));
  return static_cast<uint32_t>(std::clamp<int64_t>(now, 1, UINT32_MAX));
}

void AppendScanHeader(std::string& out, float scansPerSecond) {
  rScan_stats s{};
  s.stored_mode = 2;
  s.number_of_scans_per_second = scansPerSecond;
  out.append(reinterpret_cast<const char*>(&s), kScanStatsStoredSize);
}

// number_of_scans_per_second for scan k (counted from 1) at retention
// time `ret`: the reader gives back k / rate rounded to a float, which is
// `ret` or (for about one time in fifty) its float neighbour; no float
// rate does better then.
float ScansPerSecondFor(int32_t k, float ret) {
  if (ret == 0.0f) return 1.0f;
  return static_cast<float>(static_cast<double>(k) / static_cast<double>(ret));
}

// The indexer refuses run files under 24 KiB. Files written here are made
// at least that long, with zero bytes after the last scan (which no reader
// interprets), so that a short run can be opened again.
constexpr uint64_t kMinRunFileSize = 24 * 1024;

// Scans written one by one carry this rate: they read back at 1, 2, 3 s.
constexpr float kScanByScanRate = 1.0f;

void PadRunFile(SafeFileWriter& w) {
  uint64_t end = w.Tell();
  if (end < kMinRunFileSize) w.Write(std::string(kMinRunFileSize - end, '\0'));
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// After a run file is written its old index is stale; it goes, so that the
// next opening indexes the new file.
void RemoveIndexFile(const std::string& runFileName) {
  ::unlink(HDIndexFileName(runFileName, false).c_str());
}

}  // namespace

bool TSpec::OpenHDFile(const std::string& oFilename) {
  fFilename = oFilename;
  bool wasAuto = fAutoRefresh;
  fAutoRefresh = false;
  bool ok = false;
  try {
    auto index = std::make_unique<THDIndex>();
    if (index->IndexFile(oFilename)) {
      HDReader f(oFilename);
      rRun_Stats header{};
      if (!f.ReadRunStats(header)) throw SorrelError("Error while reading HD run stats");
      tXYarray chrom(index->aRetTime.size());
      for (size_t k = 0; k < chrom.size(); ++k)
        chrom[k] = {index->aRetTime[k], index->aTIC[k]};
      // The store now reads its scans from the file: whatever it held
      // before goes.
      CMass.clear();
      FileHeader = header;
      AttachHDFile(oFilename, std::move(index), std::move(chrom));
      ok = true;
    }
  } catch (const std::exception& e) {
    // The caption the user knows, and what went wrong in which file.
    Ui().ShowMessage("Problem reading R file\n" + oFilename + ": " + e.what());
    ok = false;
  }
  SetAutoRefresh(wasAuto);
  return ok;
}

tXYarray TSpec::ReadHDSpectrum(int32_t iIndex) {
  if (const auto* hd = std::get_if<InHDFile>(&fScans))
    return ReadHDScan(hd->file, iIndex, hd->index.get());
  if (const auto* w = std::get_if<WritingHD>(&fScans))
    throw SorrelError(w->file + " is being written; its scans can be read once it is closed");
  return ReadHDScan(fFilename, iIndex, nullptr);
}

namespace {

const char* const kWrongModeMessage =
    "The file is not nominal mass, fast DSP nom mass or slow accurrate HD ALG acquired the "
    "conversion ends here.";

// How many bytes one read should take to hold the whole scan: with an
// index they reach to the next scan's first peak.
size_t ScanReadSize(const THDIndex* index, int32_t iIndex) {
  size_t expected = 64 * 1024;
  if (index && iIndex >= 0 && static_cast<size_t>(iIndex) + 1 < index->aIndexTable.size()) {
    uint64_t from = index->aIndexTable[static_cast<size_t>(iIndex)];
    uint64_t to = index->aIndexTable[static_cast<size_t>(iIndex) + 1];
    if (to > from) expected = static_cast<size_t>(std::min<uint64_t>(to - from, 1 << 20));
  }
  return expected;
}

// A scan header from the file; false, with the message, when it holds no
// peak list.
bool ReadPeakListHeader(HDReader& f, const std::string& where) {
  const uint8_t* p = f.Next(kScanStatsStoredSize);
  if (!p) throw SorrelError(f.Name() + ": the file ends inside the header of " + where);
  rScan_stats s{};
  std::memcpy(&s, p, kScanStatsStoredSize);
  if (HDPeakListMode(s.stored_mode)) return true;
  Ui().ShowMessage(kWrongModeMessage);
  return false;
}

// Steps over the scans before `iIndex`, as the file lays them out (a
// header before every scan, or only before the first), and over the
// wanted scan's header. False, with the message, at a scan header that
// holds no peak list.
bool StepToScan(HDReader& f, int32_t iIndex) {
  rRun_Stats header{};
  f.ReadRunStats(header);
  f.Seek(kFirstScanOffset);
  const uint8_t* p = f.Next(kScanStatsStoredSize);
  if (!p) throw SorrelError(f.Name() + ": the file ends inside the header of scan 0");
  rScan_stats first{};
  std::memcpy(&first, p, kScanStatsStoredSize);
  if (!HDPeakListMode(first.stored_mode)) {
    Ui().ShowMessage(kWrongModeMessage);
    return false;
  }
  const bool headers = HDHasScanHeaders(header, first);
  for (int32_t j = 0; j < iIndex; ++j) {
    for (int count = 0;; ++count) {
      const uint8_t* r = f.Next(kPeakRecordSize);
      if (!r) throw SorrelError(f.Name() + ": the file ends inside " + ScanText(j));
      double m;
      std::memcpy(&m, r, sizeof m);
      if (m == 0.0) break;
      if (count >= kMaxPeaksWithoutZero)
        throw SorrelError("Too many peaks have been read without a zero");
    }
    if (headers && !ReadPeakListHeader(f, ScanText(j + 1))) return false;
  }
  return true;
}

// The peak records from the current position up to the terminator, taken
// straight from the read buffer.
tXYarray ReadPeakRecords(HDReader& f, int32_t iIndex, size_t expectedBytes) {
  tXYarray result;
  result.reserve(expectedBytes / kPeakRecordSize);
  for (bool ended = false; !ended;) {
    const uint8_t* p0 = nullptr;
    size_t avail = f.Window(p0, kPeakRecordSize);
    if (avail < kPeakRecordSize)
      throw SorrelError(f.Name() + ": the file ends inside " + ScanText(iIndex));
    const size_t records = avail / kPeakRecordSize;
    size_t r = 0;
    for (const uint8_t* q = p0; r < records; ++r, q += kPeakRecordSize) {
      double m;
      int32_t a;
      std::memcpy(&m, q, sizeof m);
      if (m == 0.0) {
        ended = true;
        break;
      }
      if (result.size() >= static_cast<size_t>(kMaxPeaksWithoutZero))
        throw SorrelError("Too many peaks have been read without a zero");
      std::memcpy(&a, q + 8, sizeof a);
      float fm = static_cast<float>(m);
      if (!std::isfinite(fm))
        throw SorrelError(f.Name() + ": " + ScanText(iIndex) +
                          " holds a mass that is not a number");
      result.push_back({fm, static_cast<float>(a)});
    }
    f.Skip((ended ? r + 1 : r) * kPeakRecordSize);
  }
  return result;
}

}  // namespace

tXYarray ReadHDScan(const std::string& fileName, int32_t iIndex, const THDIndex* index) {
  const size_t expected = ScanReadSize(index, iIndex);
  HDReader f(fileName, expected);
  // The run header is only wanted for its number of scans.
  uint16_t scanCount = 0;
  if (!f.ReadScanCount(scanCount)) {
    Ui().ShowMessage("Error while reading HD run stats: " + fileName +
                     " is shorter than the run header (" + std::to_string(kRunStatsStoredSize) +
                     " bytes)");
    return {};
  }
  const int32_t n = scanCount;
  if (iIndex < 0 || iIndex >= n)
    throw SorrelError(fileName + ": This file has only " + std::to_string(n) + "Scans! (" +
                      ScanText(iIndex) + " was asked for)");
  if (index) {
    if (static_cast<size_t>(iIndex) >= index->aIndexTable.size())
      throw SorrelError(fileName + " has changed since it was indexed; open it again");
    f.Seek(index->aIndexTable[static_cast<size_t>(iIndex)]);
  } else if (!StepToScan(f, iIndex)) {
    return {};
  }
  return ReadPeakRecords(f, iIndex, expected);
}

bool TSpec::SaveHDFile(const std::string& sFilename) {
  const int32_t n = NSpec();
  if (n == 0)
    throw SorrelError("No data to save in " + sFilename +
                      ": an HD file holds a run of scans, and there is none (a single spectrum "
                      "is saved as .txt)");
  if (n > kMaxHDScans)
    throw SorrelError("Cannot save " + sFilename + ": the run has " + std::to_string(n) +
                      " scans; an HD file holds at most " + std::to_string(kMaxHDScans));
  // Saving over the file this store reads from: the new file is written
  // beside it and replaces it only when complete, then the store reads
  // from the new one.
  const auto* hd = std::get_if<InHDFile>(&fScans);
  const std::string readFrom = hd ? hd->file : std::string();
  const bool sameFile = hd && SameFile(readFrom, sFilename);

  SafeFileWriter w(sFilename);
  if (fFileKind != fkHD) FileHeader = rRun_Stats{};
  rRun_Stats header = FileHeader;
  // Every scan written here carries its own header, which a file marked
  // 4661 would read as peaks.
  if (header.magic == 4661) header.magic = 0;
  header.number_of_scans = static_cast<uint16_t>(n);
  // A new file: the index of the one it replaces must not pass for its own.
  header.creation_date = CreationDateNow();
  const char16_t tz[] = u"TZ";
  std::memcpy(header.theos_zero_flag, tz, 4);
  header.theos_zero = Chrom[0][0];
  FileHeader = header;

  std::string block(kFirstScanOffset, '\0');
  std::memcpy(block.data(), &header, kRunStatsStoredSize);
  w.Write(block);

  WorkProgressReport progress("Saving " + sFilename, n);
  SaveLosses losses;
  losses.file = sFilename;
  std::string scan;
  for (int32_t k = 1; k <= n; ++k) {
    progress.Step(k);
    const dPoint chrom = Chrom[static_cast<size_t>(k - 1)];
    const float rate = ScansPerSecondFor(k, chrom[0]);
    scan.clear();
    AppendScanHeader(scan, rate);
    const PeaksWritten peaks = AppendPeaks(scan, GetMass(k - 1), k - 1, sFilename);
    NoteIntensities(losses, k - 1, peaks);
    NoteTimeAndTotal(losses, k - 1, chrom, HDRetentionTime(k, rate), peaks.sum);
    w.Write(scan);
  }
  PadRunFile(w);
  w.Commit();
  fSaveLosses = std::move(losses);
  RemoveIndexFile(sFilename);
  if (sameFile) {
    // The old index does not describe the new file. Until the new one is
    // made the scans are found by stepping through the file, which holds
    // the same scans; should indexing fail, they stay found that way.
    auto& hdNow = std::get<InHDFile>(fScans);
    hdNow.index.reset();
    hdNow.read.index = -99;
    OpenHDFile(readFrom);
  }
  return true;
}

bool TSpec::CreateHDFile(const std::string& sFilename) {
  fFilename = sFilename;
  auto w = std::make_unique<SafeFileWriter>(sFilename);
  w->Write(std::string(kFirstScanOffset, '\0'));
  fFileKind = fkHD;
  // The store shows what is written from now on.
  StartHDWriting(sFilename, std::move(w));
  return true;
}

bool TSpec::AddHDSpectrum(const tXYarray& Spectrum) {
  auto* w = std::get_if<WritingHD>(&fScans);
  if (!w) return false;
  if (w->written >= kMaxHDScans)
    throw SorrelError("Cannot write scan " + std::to_string(w->written) + " to " + w->file +
                      ": an HD file holds at most " + std::to_string(kMaxHDScans) + " scans");
  std::string scan;
  AppendScanHeader(scan, kScanByScanRate);
  const PeaksWritten peaks = AppendPeaks(scan, Spectrum, w->written, w->file);
  try {
    w->writer->Write(scan);
  } catch (...) {
    // The file being written is lost (the old one, if any, is untouched):
    // the store is left empty and usable.
    AbandonHDWriting();
    throw;
  }
  w->last.scan = Spectrum;
  w->last.index = w->written;
  w->lastSum = peaks.sum;
  NoteIntensities(w->losses, w->written, peaks);
  ++w->written;
  return true;
}

void TSpec::NoteHDScanWritten(const dPoint& point) {
  auto& w = std::get<WritingHD>(fScans);
  NoteTimeAndTotal(w.losses, w.written - 1, point, HDRetentionTime(w.written, kScanByScanRate),
                   w.lastSum);
}

bool TSpec::CloseHDFile() {
  auto* w = std::get_if<WritingHD>(&fScans);
  if (!w) return false;
  fSaveLosses = SaveLosses{};
  rRun_Stats header{};
  header.number_of_scans = static_cast<uint16_t>(w->written);
  header.creation_date = CreationDateNow();
  const int32_t written = w->written;
  const std::string file = w->file;
  SaveLosses losses = std::move(w->losses);
  try {
    PadRunFile(*w->writer);
    w->writer->Seek(0);
    w->writer->Write(&header, kRunStatsStoredSize);
    w->writer->Commit();
  } catch (...) {
    AbandonHDWriting();
    throw;
  }
  RemoveIndexFile(file);
  // The store reads the scans back from the new file, through its index
  // when the file can be indexed.
  std::unique_ptr<THDIndex> index;
  if (written > 0) {
    index = std::make_unique<THDIndex>();
    bool ok = false;
    try {
      ok = index->IndexFile(file);
    } catch (const std::exception&) {
      ok = false;
    }
    if (!ok) index.reset();
  }
  tXYarray chrom = std::move(Chrom);
  AttachHDFile(file, std::move(index), std::move(chrom));
  fSaveLosses = std::move(losses);
  return true;
}

namespace {

// The shortest text that reads back as the same 32-bit value.
std::string ValueText(double v) {
  return ShortestRoundTripFloat(static_cast<float>(v));
}

std::string Example(const ValueChange& c, const char* unit) {
  return " (" + ScanText(c.scan) + ": " + ValueText(c.from) + unit + " becomes " + ValueText(c.to) +
         unit + ")";
}

// "the <one> of 1 scan <verb>s" or "the <many> of N scans <verb>".
std::string OfScans(int64_t n, const char* one, const char* many, const char* verbOne,
                    const char* verbMany) {
  return n == 1 ? std::string("the ") + one + " of 1 scan " + verbOne
                : std::string("the ") + many + " of " + std::to_string(n) + " scans " + verbMany;
}

}  // namespace

std::string SaveLossText(const SaveLosses& l) {
  std::vector<std::string> parts;
  if (l.timesChanged > 0)
    parts.push_back(
        OfScans(l.timesChanged, "retention time", "retention times", "changes", "change") +
        Example(l.time, " s"));
  if (l.intensitiesRounded > 0)
    parts.push_back(std::to_string(l.intensitiesRounded) +
                    (l.intensitiesRounded == 1 ? " intensity is rounded to a whole number"
                                               : " intensities are rounded to whole numbers") +
                    Example(l.intensity, ""));
  if (l.totalsChanged > 0)
    parts.push_back(OfScans(l.totalsChanged, "total intensity", "total intensities",
                            "becomes the sum of its points", "become the sums of their points") +
                    Example(l.total, ""));
  if (parts.empty()) return {};
  std::string text = l.file + " cannot hold the run as it is: ";
  for (size_t i = 0; i < parts.size(); ++i)
    text += (i == 0 ? "" : "; ") + parts[i];
  return text;
}

}  // namespace sorrel
