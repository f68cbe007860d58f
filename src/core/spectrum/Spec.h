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

class TSpec {
 public:
  TSpec();
  ~TSpec();
  TSpec(const TSpec&) = delete;
  TSpec& operator=(const TSpec&) = delete;

  // ---- life cycle and modes
  void Initialise();
  void Clear();
  bool MassOnly() const { return fMassOnly; }
  void SetMassOnly(bool value);
  bool AutoRefresh() const { return fAutoRefresh; }
  void SetAutoRefresh(bool value);
  bool CasheOn() const { return fCasheOn; }
  void SetCasheOn(bool value);  // moves the run between memory and cache
  bool FromFileOn() const { return fFromFileOn; }
  tFileKind FileKind() const { return fFileKind; }
  const std::string& Filename() const { return fFilename; }

  // ---- reading
  int32_t NSpec() const { return static_cast<int32_t>(Chrom.size()); }
  // Scan `Index`; empty for an index out of range. The reference stays
  // valid until the store changes (for cached and file-backed runs, until
  // the next read of another scan).
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
  std::unique_ptr<THDIndex> HDindex;
  rScan_stats ScanStats{};
  rRun_Stats FileHeader{};
  int32_t HDnSpec = -1;
  int32_t LastReadIndex = -99;

 private:
  friend class TnetCDF;
  friend class TMassLynx;
  float MassLimit(bool first);
  void WriteTextFile(const std::string& sFilename);
  // Disk cache internals.
  void CasheReadScan(int32_t Index);
  void CasheAppendScan(const tXYarray& SMass);
  void CasheAppendPoint(float m, float a);
  void CasheClose();

  bool fMassOnly = false;
  bool fCasheOn = false;
  bool fFromFileOn = false;
  std::FILE* DiskCashe = nullptr;
  std::vector<int64_t> CasheIdx;
  int64_t CasheEnd = 0;    // end of the cache data: where the next scan goes
  std::string fCasheName;  // the open cache file, for messages
  std::string fFilename;
  tFileKind fFileKind = fkNone;
  tMass fMass;
  bool fAutoRefresh = false;
  std::unique_ptr<SafeFileWriter> f_HDFile;
};

// The kind of a file from its name.
tFileKind FileKindOf(const std::string& name);
// For x >= 1 the power of ten p with p < x < 10p; 0 otherwise.
double LowerDecade(double x);

}  // namespace sorrel
