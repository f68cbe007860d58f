#pragma once
// TTraining: the model of one compound and its training file (*.trn), an
// INI file. It holds the spectra the training was made from (file names in
// the training file's directory, the first one the reference), the
// preprocessing and calculation settings and, once calculated, the
// loadings, the Mahalanobis matrix and the two scalars classification
// needs. The data matrix, scores, eigenvalues and residuals are not kept:
// the workbench recomputes them from the spectra. A training with the
// calibrated class model keeps that model in a section of its own,
// [ClassModel], which readers that know only the other sections pass over.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/common/IniFile.h"
#include "core/common/Types.h"
#include "core/training/ClassModel.h"

namespace sorrel {

class PreprocFrame;

// A training can only come from at most 35 spectra, and the workbench
// offers at most 100 loadings; a file claiming more holds no usable PCA
// results. Likewise a row of more than a million mass channels is no
// training of ours; these limits keep a damaged file from asking for
// gigabytes.
inline constexpr int32_t kMaxTrainingLoadings = 100;
inline constexpr int32_t kMaxTrainingPoints = 1000000;
// Keys "1" to "36" of [LoadedSpec] are read; later ones are not.
inline constexpr int kMaxLoadedSpec = 36;
// The section of the calibrated class model.
inline constexpr const char* kClassModelSection = "ClassModel";

class TTraining : public TMemIniFile {
 public:
  // A new training bound to no file.
  TTraining() = default;
  // Bound to `fileName`, loaded from it when it exists (Open then fills the
  // fields). Throws SorrelError when the file exists but cannot be read.
  explicit TTraining(const std::string& fileName);

  bool Locked = false;
  bool Calculated = false;
  bool Normalize = false;
  std::string DefaultTml;
  std::string Compound;
  double IncSens = 0.0;
  double PPID = 0.0;  // key "PositID"
  double PNID = 0.0;  // key "PossibID"
  std::vector<std::string> LoadedSpec;
  int32_t NLoadings = 0;
  int32_t PrecPower = 0;
  int32_t LowBound = 0;
  int32_t HighBound = 0;
  adouble Xvals;
  aadouble Loadings;
  aadouble MahalMat;
  double RcM = 0.0;
  double RMSG = 0.0;
  // The answer classification gives, and the calibrated model's limits and
  // spectra. Standard unless the file holds a [ClassModel] section.
  tClassModel ClassModel = tClassModel::Standard;
  tCalibration Calibration;

  // Fills the fields from the in-memory file, with the defaults of the
  // file format for what is missing or unreadable. Never fails.
  void Open();
  // Rewrites the in-memory file from the fields; with `Update` also writes
  // it to disk (safely; throws SorrelError naming the file on failure).
  void Save(bool Update);
  // The training file's directory with a trailing "/" (empty for a bare
  // file name: the spectra are then looked up in the working directory).
  std::string DirName() const;
  // One spectrum to one data-matrix row (see PreprocessSpectrum); sets Xvals.
  // Empty frames give an empty row and leave Xvals as it was.
  adouble Preproc(PreprocFrame& pl0, PreprocFrame& plX);

  // Whether the training holds everything classification reads: marked
  // calculated, NLoadings loadings of one common non-zero length, and a
  // Mahalanobis matrix of (NLoadings+1) x (NLoadings+1). A file marked
  // calculated whose PCA section is missing or damaged fails this.
  bool HasResults() const;
  // Why the training's class model cannot answer (its [ClassModel] section
  // names a model this program does not know, or the calibrated model is
  // incomplete); empty when it can.
  std::string ClassModelProblem() const;

 private:
  void ReadClassModel();
  void WriteClassModel();
  // A [ClassModel] section of a model this program does not know, kept as
  // it was read so that saving the training does not lose it.
  std::vector<std::pair<std::string, std::string>> unknownModel_;
};

// A value to one decimal as the training file keeps IncSens (and as the
// options dialog's limits hold PPID and PNID): ten times the value rounded
// to the nearest whole number, halves to the even one, divided by ten.
double OneDecimal(double x);

// The text of a row: numbers in general format with 12 significant
// digits, scientific (exponent of at least four digits) below 0.00001 or
// from 10^12 up, separated by single tabs.
std::string RowValueText(double x);
std::string WriteRow(const adouble& values);
// Reads a row into `values` with length `count`: an empty text leaves
// `values` as it is; otherwise `values` gets `count` zeros and the first
// `count` tab-separated fields fill it in order, a field that is not a
// number being skipped.
void ReadRow(const std::string& text, size_t count, adouble& values);

}  // namespace sorrel
