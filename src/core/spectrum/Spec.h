#pragma once
// TSpec: the spectrum store of one plot frame. It holds either a single
// mass spectrum (CMass) or a whole run: a chromatogram (one point per scan:
// retention time, total intensity) and the scans, which live in memory, in
// the disk cache, or in an indexed HD run file read scan by scan.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "core/common/Types.h"
#include "core/spectrum/HDRecords.h"

namespace sorrel {

class TnetCDF;
class THDIndex;
class SafeFileWriter;

enum tFileKind { fkNone, fkTxt, fkNetCDF, fkHD, fkMassLynx, fkCashe };

using RefreshPlotProc = std::function<void()>;

// What the text reader does with a line it cannot take: the reason, the
// line's index (from 0), the line itself. Answer true to skip the line and
// go on, false to abandon the read.
enum class BadLineKind { MissingTab, WrongNumber };
using BadLineHandler = std::function<bool(BadLineKind, int, const std::string&)>;

// A value that a saved file gives back otherwise than the store held it:
// the first such value of its kind, as an example for the user.
struct ValueChange {
  int32_t scan = -1;  // -1: none
  double from = 0, to = 0;
};

// What a saved file cannot keep of the run as the store holds it, found
// while the file is written, as plain data for whoever reports it. An HD
// file keeps a scan's retention time as a rate (k / time, a float: a time
// of 0 cannot be written, and some times read back one float step away),
// whole-number intensities, and no totals: a scan's total intensity is
// read back as the sum of its points. Text and netCDF files keep what they
// are given.
struct SaveLosses {
  std::string file;  // the file written
  int32_t timesChanged = 0;
  ValueChange time;
  int64_t intensitiesRounded = 0;
  ValueChange intensity;
  int32_t totalsChanged = 0;
  ValueChange total;
  bool Any() const { return timesChanged > 0 || intensitiesRounded > 0 || totalsChanged > 0; }
};

// One line that names the file and what changed in it; empty when nothing
// did.
std::string SaveLossText(const SaveLosses& losses);

class TSpec {
 public:
  // Where the scans of a run live. A store is in exactly one of these
  // places; the readers and writers move it between them only through the
  // transitions below (Clear, TakeRun, SetCasheOn, and the HD and cache
  // file operations), each of which sets everything that belongs to the
  // place at once.
  enum class tScanPlace {
    Memory,     // scan i is held in memory
    Cashe,      // scan i is read from the disk cache file
    HDFile,     // scan i is read on demand from an HD run file
    HDWriting,  // scans go to an HD file being written
  };

  TSpec();
  ~TSpec();
  TSpec(const TSpec&) = delete;
  TSpec& operator=(const TSpec&) = delete;

  // ---- life cycle and modes
  void Initialise();
  // Empties the run (into memory) and the current spectrum, closes the
  // cache file, lets an HD file go and frees the netCDF and raw readers.
  void Clear();
  // The run becomes `chrom` and `scans` (one spectrum per chromatogram
  // point), held in memory. A cache file is closed, an HD run let go, an HD
  // file being written abandoned. The current spectrum is kept.
  void TakeRun(tXYarray chrom, tMass scans);
  tScanPlace ScanPlace() const;
  bool MassOnly() const { return fMassOnly; }
  void SetMassOnly(bool value);
  bool AutoRefresh() const { return fAutoRefresh; }
  void SetAutoRefresh(bool value);
  bool CasheOn() const { return ScanPlace() == tScanPlace::Cashe; }
  void SetCasheOn(bool value);  // moves the run between memory and cache
  // The scans are read from (or written to) an HD run file.
  bool FromFileOn() const;
  tFileKind FileKind() const { return fFileKind; }
  const std::string& Filename() const { return fFilename; }
  // How many scans of the run have the total intensity their file gave
  // (netCDF total_intensity, a raw directory's index); the totals of the
  // others are the sums of their points. Readers set it; every change of
  // where the run lives sets it to 0 unless the totals go along.
  int32_t TotalsFromFile() const { return fTotalsFromFile; }
  void SetTotalsFromFile(int32_t scans) { fTotalsFromFile = scans; }
  // The index of the HD run the scans are read from; null when there is
  // none (the scans are then found by stepping through the file).
  const THDIndex* HDindex() const;
  // Scans written so far to the HD file being written; -1 when none is.
  int32_t HDnSpec() const;
  // The scan that the last cached or file-backed read (or the last scan
  // written to an HD file) left in the read buffer; -99 when none.
  int32_t LastReadIndex() const;

  // ---- reading
  int32_t NSpec() const { return static_cast<int32_t>(Chrom.size()); }
  // Scan `Index`; empty for an index out of range. The reference stays
  // valid until the store changes (for cached and file-backed runs, until
  // the next read of another scan). While an HD file is written, every
  // index gives the last scan written.
  const tXYarray& GetMass(int32_t Index);
  tXYarray GetNomMass(int32_t Index);
  tXYarray AreaSellectThre(int32_t Threshold, float ChromPeakX, float& LeftLimit,
                           float& RightLimit);
  tXYarray AreaSellectLimit(float LeftLimit, float RightLimit);
  static tXYarray AssignXY(const tXYarray& inXY) { return inXY; }

  // ---- writing
  int32_t AddSSpec(double ret, double tot, const tXYarray& SMass);
  int32_t AddMass(float m, float a, int32_t iSpec);
  void AssignSpec(TSpec& Source);
  void FillSampleValues(int32_t Num);

  // ---- files
  bool OpenFile(const std::string& oFilename);
  bool SaveFile(const std::string& sFilename);
  // What the last SaveFile (or CloseHDFile) could not keep; nothing for a
  // save that kept everything or failed.
  const SaveLosses& LastSaveLosses() const { return fSaveLosses; }
  // The text reader with an explicit first mass (Y-only files) and a
  // handler for bad lines, for callers that do not ask through the user
  // interface (the command-line program).
  // `askFirstMass` gives the first-mass text of a Y-only file; it is asked
  // only when the file has lines.
  bool OpenTextFile(const std::string& oFilename, const std::function<std::string()>& askFirstMass,
                    const BadLineHandler& onBadLine);
  // HD run files.
  bool OpenHDFile(const std::string& oFilename);
  tXYarray ReadHDSpectrum(int32_t iIndex);
  bool SaveHDFile(const std::string& sFilename);
  bool CreateHDFile(const std::string& sFilename);
  bool AddHDSpectrum(const tXYarray& Spectrum);
  bool CloseHDFile();
  // Opens a cache file left on disk as a run.
  bool OpenCasheFile(const std::string& oFilename);
  // The cache file name of this store: DataDir + "SP" + label + ".csh";
  // empty when the Data directory is refused.
  std::string CasheFileName() const;

  // ---- public fields, as the frame uses them
  tXYarray Chrom;      // one point per scan: (retention time, total intensity)
  int32_t Number = 0;  // number of the owning frame; names the cache file
  tXYarray CMass;      // the current mass spectrum
  RefreshPlotProc RefreshPlot;
  std::unique_ptr<TnetCDF> netCDF;
  rScan_stats ScanStats{};
  rRun_Stats FileHeader{};

 private:
  // The one scan a cached or file-backed run holds in memory: the last
  // one read. It is the store's own, apart from CMass, which the frame
  // overwrites with what it shows.
  struct ScanBuffer {
    tXYarray scan;
    int32_t index = -99;
  };
  struct CloseFile {
    void operator()(std::FILE* f) const;
  };
  struct InMemory {
    tMass scans;
  };
  struct InCashe {
    std::unique_ptr<std::FILE, CloseFile> file;
    std::string name;          // the cache file, for messages
    std::vector<int64_t> idx;  // byte offset of each scan's first pair
    int64_t end = 0;           // end of the cache data: where the next scan goes
    ScanBuffer read;
  };
  struct InHDFile {
    std::string file;
    std::unique_ptr<THDIndex> index;  // may be absent
    ScanBuffer read;
  };
  struct WritingHD {
    std::string file;
    std::unique_ptr<SafeFileWriter> writer;
    int32_t written = 0;
    ScanBuffer last;      // the last scan written
    int64_t lastSum = 0;  // the sum of its intensities as written
    SaveLosses losses;
  };

  // The transitions that only the store's own readers and writers take.
  void AttachCashe(InCashe cashe, tXYarray chrom);
  void AttachHDFile(std::string file, std::unique_ptr<THDIndex> index, tXYarray chrom);
  void StartHDWriting(std::string file, std::unique_ptr<SafeFileWriter> writer);
  // An HD file whose writing failed is lost: the store is left empty.
  void AbandonHDWriting();
  // Notes what the scan just written to the HD file being written gives
  // back otherwise than its chromatogram point.
  void NoteHDScanWritten(const dPoint& point);

  float MassLimit(bool first);
  void WriteTextFile(const std::string& sFilename);
  void AddToRun(const tXYarray& SMass);
  // Disk cache internals.
  InCashe WriteCashe(const std::string& name);
  void CasheReadScan(InCashe& c, int32_t Index);
  void CasheAppendScan(InCashe& c, const tXYarray& SMass);
  void CasheAppendPoint(InCashe& c, float m, float a);

  bool fMassOnly = false;
  std::string fFilename;
  tFileKind fFileKind = fkNone;
  bool fAutoRefresh = false;
  int32_t fTotalsFromFile = 0;
  SaveLosses fSaveLosses;
  std::variant<InMemory, InCashe, InHDFile, WritingHD> fScans;
};

// The peaks of scan `iIndex` (from 0) of the HD run file `fileName`: with
// `index`, straight from the scan's offset; without, by stepping over the
// scans before it as the file lays them out.
tXYarray ReadHDScan(const std::string& fileName, int32_t iIndex, const THDIndex* index);

// The kind of a file from its name.
tFileKind FileKindOf(const std::string& name);
// For x >= 1 the power of ten p with p < x < 10p; 0 otherwise.
double LowerDecade(double x);

}  // namespace sorrel
