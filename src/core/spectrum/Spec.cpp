#include "core/spectrum/Spec.h"

#include <cmath>
#include <random>
#include <string>

#include "core/common/Errors.h"
#include "core/common/FileCheck.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/SafeSave.h"
#include "core/common/TextFile.h"
#include "core/common/UiHooks.h"
#include "core/spectrum/Conversions.h"
#include "core/spectrum/HDIndex.h"
#include "core/spectrum/MassLynxRead.h"
#include "core/spectrum/NetCDF.h"

namespace sorrel {

namespace {

const tXYarray& EmptySpectrum() {
  static const tXYarray empty;
  return empty;
}

// Stores a retention time or total intensity as a 32-bit float; a value
// beyond the float range is an arithmetic fault, not an infinity.
float ToStoredFloat(double v, const char* what) {
  float f = static_cast<float>(v);
  if (!std::isfinite(f)) throw MathError(std::string("Floating point overflow in ") + what);
  return f;
}

// Adds a nominal-mass spectrum into `result`, whose point k stands for mass
// lo + k. Masses outside the grid are ignored.
void AddNominal(const tXYarray& nominal, long lo, tXYarray& result) {
  for (const dPoint& p : nominal) {
    double m = std::nearbyint(static_cast<double>(p[0]));
    double k = m - static_cast<double>(lo);
    if (k < 0 || k >= static_cast<double>(result.size())) continue;
    dPoint& r = result[static_cast<size_t>(k)];
    r[0] = static_cast<float>(m);
    r[1] = CheckFiniteF(r[1] + p[1], "the summed spectrum");
  }
}

}  // namespace

TSpec::TSpec() {
  Initialise();
}

TSpec::~TSpec() {
  try {
    Clear();
  } catch (...) {
    // A destructor must not throw; the cache file is closed by Clear first.
  }
}

void TSpec::CloseFile::operator()(std::FILE* f) const {
  std::fclose(f);
}

void TSpec::Initialise() {
  SetCasheOn(false);
  fAutoRefresh = false;
}

void TSpec::Clear() {
  Chrom.clear();
  CMass.clear();
  fScans = InMemory{};
  fTotalsFromFile = 0;
  netCDF.reset();
  FreeMassLynx();
}

void TSpec::TakeRun(tXYarray chrom, tMass scans) {
  if (chrom.size() != scans.size())
    throw SorrelError("Internal error <TakeRun>: " + std::to_string(chrom.size()) +
                      " chromatogram points for " + std::to_string(scans.size()) + " scans");
  fScans = InMemory{std::move(scans)};
  Chrom = std::move(chrom);
  fTotalsFromFile = 0;
}

void TSpec::AttachCashe(InCashe cashe, tXYarray chrom) {
  fScans = std::move(cashe);
  Chrom = std::move(chrom);
  fTotalsFromFile = 0;
}

void TSpec::AttachHDFile(std::string file, std::unique_ptr<THDIndex> index, tXYarray chrom) {
  fScans = InHDFile{std::move(file), std::move(index), {}};
  Chrom = std::move(chrom);
  fTotalsFromFile = 0;
}

void TSpec::StartHDWriting(std::string file, std::unique_ptr<SafeFileWriter> writer) {
  WritingHD w;
  w.losses.file = file;
  w.file = std::move(file);
  w.writer = std::move(writer);
  fScans = std::move(w);
  Chrom.clear();
  fTotalsFromFile = 0;
}

void TSpec::AbandonHDWriting() {
  fScans = InMemory{};
  Chrom.clear();
  fTotalsFromFile = 0;
  CMass.clear();
  fFileKind = fkNone;
  fFilename.clear();
}

TSpec::tScanPlace TSpec::ScanPlace() const {
  if (std::holds_alternative<InCashe>(fScans)) return tScanPlace::Cashe;
  if (std::holds_alternative<InHDFile>(fScans)) return tScanPlace::HDFile;
  if (std::holds_alternative<WritingHD>(fScans)) return tScanPlace::HDWriting;
  return tScanPlace::Memory;
}

bool TSpec::FromFileOn() const {
  return std::holds_alternative<InHDFile>(fScans) || std::holds_alternative<WritingHD>(fScans);
}

const THDIndex* TSpec::HDindex() const {
  const auto* hd = std::get_if<InHDFile>(&fScans);
  return hd ? hd->index.get() : nullptr;
}

int32_t TSpec::HDnSpec() const {
  const auto* w = std::get_if<WritingHD>(&fScans);
  return w ? w->written : -1;
}

int32_t TSpec::LastReadIndex() const {
  if (const auto* c = std::get_if<InCashe>(&fScans)) return c->read.index;
  if (const auto* hd = std::get_if<InHDFile>(&fScans)) return hd->read.index;
  if (const auto* w = std::get_if<WritingHD>(&fScans)) return w->last.index;
  return -99;
}

void TSpec::SetMassOnly(bool value) {
  fMassOnly = value;
  if (value) fFileKind = fkTxt;
}

void TSpec::SetAutoRefresh(bool value) {
  bool wasOff = !fAutoRefresh;
  fAutoRefresh = value;
  if (wasOff && value && RefreshPlot) RefreshPlot();
}

const tXYarray& TSpec::GetMass(int32_t Index) {
  // While an HD file is written the store shows the last scan written.
  if (auto* w = std::get_if<WritingHD>(&fScans)) return w->last.scan;
  if (Index < 0 || Index >= NSpec()) return EmptySpectrum();
  if (auto* m = std::get_if<InMemory>(&fScans)) {
    if (static_cast<size_t>(Index) >= m->scans.size()) return EmptySpectrum();
    return m->scans[static_cast<size_t>(Index)];
  }
  if (auto* c = std::get_if<InCashe>(&fScans)) {
    if (Index != c->read.index) CasheReadScan(*c, Index);
    return c->read.scan;
  }
  auto& hd = std::get<InHDFile>(fScans);
  if (Index != hd.read.index) {
    hd.read.index = -99;  // until the scan is in
    hd.read.scan = ReadHDScan(hd.file, Index, hd.index.get());
    hd.read.index = Index;
  }
  return hd.read.scan;
}

tXYarray TSpec::GetNomMass(int32_t Index) {
  if (Index < 0 || Index >= NSpec()) return {};
  return NomMassRound(GetMass(Index));
}

float TSpec::MassLimit(bool first) {
  bool any = false;
  float limit = 0.0f;
  for (int32_t i = 0; i < NSpec(); ++i) {
    const tXYarray& s = GetMass(i);
    if (s.empty()) continue;  // an empty scan has no limits to offer
    float m = first ? s.front()[0] : s.back()[0];
    if (!any || (first ? m < limit : m > limit)) limit = m;
    any = true;
  }
  return limit;
}

tXYarray TSpec::AreaSellectThre(int32_t Threshold, float ChromPeakX, float& LeftLimit,
                                float& RightLimit) {
  if (Threshold > 100 || NSpec() == 0) return {};
  double level = Threshold / 100.0 * HighestPoint(Chrom)[1];
  long lo = static_cast<long>(std::trunc(MassLimit(true)));
  long hi = static_cast<long>(std::ceil(MassLimit(false)));
  if (hi - lo > kMaxNominalPoints) throw SorrelError("The mass range of the run is too large");
  tXYarray result(static_cast<size_t>(std::max(0L, hi - lo + 2)));
  for (size_t k = 0; k < result.size(); ++k)
    result[k] = {static_cast<float>(lo + static_cast<long>(k)), 0.0f};

  int32_t apex = 0;
  double best = std::fabs(static_cast<double>(Chrom[0][0]) - ChromPeakX);
  for (int32_t i = 1; i < NSpec(); ++i) {
    double d = std::fabs(static_cast<double>(Chrom[static_cast<size_t>(i)][0]) - ChromPeakX);
    if (d < best) {
      best = d;
      apex = i;
    }
  }
  for (int32_t i = apex - 1; i >= 0 && Chrom[static_cast<size_t>(i)][1] > level; --i) {
    AddNominal(GetNomMass(i), lo, result);
    LeftLimit = Chrom[static_cast<size_t>(i)][0];
  }
  for (int32_t i = apex; i < NSpec() && Chrom[static_cast<size_t>(i)][1] > level; ++i) {
    AddNominal(GetNomMass(i), lo, result);
    RightLimit = Chrom[static_cast<size_t>(i)][0];
  }
  return result;
}

tXYarray TSpec::AreaSellectLimit(float LeftLimit, float RightLimit) {
  if (NSpec() == 0) return {};
  long lo = static_cast<long>(std::trunc(MassLimit(true)));
  long hi = static_cast<long>(std::ceil(MassLimit(false)));
  if (hi - lo > kMaxNominalPoints) throw SorrelError("The mass range of the run is too large");
  tXYarray result(static_cast<size_t>(std::max(0L, hi - lo + 2)), dPoint{0.0f, 0.0f});
  for (int32_t i = 0; i < NSpec(); ++i) {
    float ret = Chrom[static_cast<size_t>(i)][0];
    if (ret < LeftLimit) continue;
    AddNominal(GetNomMass(i), lo, result);
    if (ret > RightLimit) break;
  }
  return result;
}

int32_t TSpec::AddSSpec(double ret, double tot, const tXYarray& SMass) {
  // Whatever happens, the frame gets its events and its redraw.
  struct Refresh {
    TSpec& s;
    ~Refresh() {
      try {
        Ui().ProcessMessages();
        if (s.fAutoRefresh && s.RefreshPlot) s.RefreshPlot();
      } catch (...) {
      }
    }
  } refresh{*this};

  const bool writing = std::holds_alternative<WritingHD>(fScans);
  if (fMassOnly || writing) {
    CMass = SMass;
    if (writing) {
      dPoint point{ToStoredFloat(ret, "retention time"), ToStoredFloat(tot, "total intensity")};
      // The scan goes to the file first: a scan the file refuses does not
      // appear in the chromatogram either.
      AddHDSpectrum(SMass);
      Chrom.push_back(point);
      NoteHDScanWritten(point);
    }
    return NSpec() - 1;
  }
  float fret = ToStoredFloat(ret, "retention time");
  float ftot = ToStoredFloat(tot, "total intensity");
  // Compared as stored, so that the stored times are strictly ascending.
  if (NSpec() > 0 && !(Chrom.back()[0] < fret))
    throw SorrelError("Retation times must follow in ascending order");
  // A run read from its HD file goes into the cache before it grows.
  if (std::holds_alternative<InHDFile>(fScans)) SetCasheOn(true);
  AddToRun(SMass);
  Chrom.push_back({fret, ftot});
  return NSpec() - 1;
}

// The scan goes where the run lives; the chromatogram point follows it only
// when it got there.
void TSpec::AddToRun(const tXYarray& SMass) {
  if (auto* c = std::get_if<InCashe>(&fScans))
    CasheAppendScan(*c, SMass);
  else
    std::get<InMemory>(fScans).scans.push_back(SMass);
}

int32_t TSpec::AddMass(float m, float a, int32_t iSpec) {
  if (fMassOnly) {
    CMass.push_back({m, a});
    return static_cast<int32_t>(CMass.size());
  }
  if (iSpec < 0 || iSpec >= NSpec()) return -1;
  if (auto* c = std::get_if<InCashe>(&fScans)) {
    if (iSpec != NSpec() - 1) throw SorrelError("Internal error <AddMass> #1");
    CasheAppendPoint(*c, m, a);
    return static_cast<int32_t>(GetMass(iSpec).size());
  }
  auto* mem = std::get_if<InMemory>(&fScans);
  // A run read from or written to an HD file is not changed point by point.
  if (!mem || static_cast<size_t>(iSpec) >= mem->scans.size()) return -1;
  tXYarray& scan = mem->scans[static_cast<size_t>(iSpec)];
  scan.push_back({m, a});
  return static_cast<int32_t>(scan.size());
}

void TSpec::AssignSpec(TSpec& Source) {
  if (&Source == this) return;
  tXYarray chrom = Source.Chrom;
  tXYarray current = Source.CMass;
  tMass scans;
  scans.reserve(static_cast<size_t>(Source.NSpec()));
  for (int32_t i = 0; i < Source.NSpec(); ++i)
    scans.push_back(Source.GetMass(i));
  // The copy lives in memory: this store leaves its cache or file.
  TakeRun(std::move(chrom), std::move(scans));
  CMass = std::move(current);
  fTotalsFromFile = Source.fTotalsFromFile;
}

void TSpec::FillSampleValues(int32_t Num) {
  static std::mt19937 rng{std::random_device{}()};
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  auto g = [](double x, double mu, double sigma) {
    const double pi = 3.14159265358979323846;
    return std::exp(-(x - mu) * (x - mu) / (2 * sigma * sigma)) / std::sqrt(2 * pi * sigma * sigma);
  };
  for (int j = 1; j <= 10; ++j) {
    tXYarray s(static_cast<size_t>(std::max(0, Num)));
    double total = 0.0;
    for (int32_t x = 0; x < Num; ++x) {
      double y = 80 * g(x, 40, 5) + 50 * g(x, 80, 5) + 65 * g(x, 100, 5) + uniform(rng) / 1.5;
      s[static_cast<size_t>(x)] = {static_cast<float>(x), static_cast<float>(y)};
      total += s[static_cast<size_t>(x)][1];
    }
    AddSSpec(2.0 * j + 20.0, total, s);
  }
}

bool TSpec::OpenFile(const std::string& oFilename) {
  fFileKind = FileKindOf(oFilename);
  if (fFileKind == fkMassLynx) {
    if (!DirectoryExists(ExtractFilePath(oFilename)))
      throw SorrelError("Cannot open " + oFilename + ": no such directory");
    CheckDirectoryFiles(ExtractFilePath(oFilename));  // the readers would wait on a FIFO
  } else {
    CheckRegularFile(oFilename);  // a FIFO would hang the reader, /dev/zero never end
  }
  if (fFileKind == fkTxt) {
    return OpenTextFile(
        oFilename, [] { return Ui().InputBox("Input Box", "First mass", "1"); },
        [&oFilename](BadLineKind kind, int i, const std::string& line) {
          // A line of megabytes would make an unreadable question.
          std::string shown = line.size() > 255 ? line.substr(0, 255) + "..." : line;
          std::string what = kind == BadLineKind::MissingTab ? "Error: \"tab\" is missing, line ("
                                                             : "Error: Wrong number syntax, line (";
          return Ui().Confirm(what + std::to_string(i) + ") ->" + shown + "\n" + oFilename +
                              "\nContinue ?");
        });
  }
  BusyCursor busy;
  bool ok = false;
  try {
    switch (fFileKind) {
      case fkNone:
      case fkTxt:
        break;
      case fkNetCDF:
        if (!netCDF) netCDF = std::make_unique<TnetCDF>(this);
        netCDF->Spec = this;
        ok = netCDF->Open(oFilename);
        break;
      case fkHD:
        ok = OpenHDFile(oFilename);
        break;
      case fkMassLynx:
        ok = OpenMassLynx(*this, ExtractFilePath(oFilename));
        break;
      case fkCashe:
        ok = OpenCasheFile(oFilename);
        break;
    }
  } catch (...) {
    // A reader that fails half-way leaves an empty, usable store.
    Clear();
    fFileKind = fkNone;
    fFilename.clear();
    throw;
  }
  if (!ok) fFileKind = fkNone;
  fFilename = oFilename;
  if (fFileKind == fkNone) {
    Clear();
    fFilename.clear();
  }
  return ok;
}

bool TSpec::SaveFile(const std::string& sFilename) {
  if (sFilename.empty()) throw SorrelError("Filename is missing");
  fSaveLosses = SaveLosses{};
  tFileKind kind = FileKindOf(sFilename);
  if (fMassOnly) fFileKind = fkTxt;
  BusyCursor busy;
  switch (kind) {
    case fkNone:
      Ui().ShowMessage("Unknown file type: " + sFilename +
                       " (a spectrum is saved as .txt, a run as .cdf or .R01)");
      return false;
    case fkTxt:
      WriteTextFile(sFilename);
      return true;
    case fkNetCDF:
      netCDF = std::make_unique<TnetCDF>(this);
      return netCDF->Save(sFilename);
    case fkHD:
      return SaveHDFile(sFilename);
    case fkMassLynx:
      Ui().ShowMessage("MassLynx file saving is not available yet: " + sFilename);
      return false;
    case fkCashe:
      // Nothing is written, but not without a word.
      Ui().ShowMessage("Cache files are not saved: " + sFilename +
                       " (the program keeps its own SP?.csh in the Data directory; a run is "
                       "saved as .cdf or .R01)");
      return false;
  }
  return false;
}

tFileKind FileKindOf(const std::string& name) {
  tFileKind kind = fkNone;
  std::string ext = ExtractFileExt(name);
  if (!ext.empty()) ext = UpperCase(ext.substr(1));
  if (ext == "TXT" || ext == "PRN")
    kind = fkTxt;
  else if (ext == "CDF")
    kind = fkNetCDF;
  else if (ext == "CSH")
    kind = fkCashe;
  if (ext.size() >= 2 && ext[0] == 'R') {
    std::string digits = ext.substr(1, 2);
    size_t start = (digits[0] == '+' || digits[0] == '-') ? 1 : 0;
    bool isInt = digits.size() > start;
    for (size_t i = start; i < digits.size(); ++i)
      if (digits[i] < '0' || digits[i] > '9') isInt = false;
    if (isInt) kind = fkHD;
  }
  std::string dir = ExtractFilePath(name);
  if (!dir.empty() && dir.back() == '/') dir.pop_back();
  if (UpperCase(ExtractFileExt(dir)) == ".RAW") kind = fkMassLynx;
  return kind;
}

double LowerDecade(double x) {
  // The powers as exact literals (a running product drifts past 1e22).
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,
                                       1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17,
                                       1e18, 1e19, 1e20, 1e21, 1e22, 1e23, 1e24, 1e25, 1e26};
  if (!(x >= 1)) return 0;
  for (int i = 0; i <= 25; ++i)
    if (kPowers[i] < x && x < kPowers[i + 1]) return kPowers[i];
  return 0;
}

}  // namespace sorrel
