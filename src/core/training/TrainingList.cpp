#include "core/training/TrainingList.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/common/Directories.h"
#include "core/common/ErrorBox.h"
#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/common/UiHooks.h"
#include "core/pca/Mahalanobis.h"
#include "core/plots/PreprocFrame.h"
#include "core/plots/SpOpt.h"
#include "core/plots/TemplateName.h"
#include "core/plots/ViewProcessing.h"

namespace sorrel {

namespace {

const char* const kList = "List";
// A [List] key names the training file <list directory><key>.trn.
constexpr std::string_view kTrainingExt = ".trn";

// The directory of a path, resolved so that "dir/./a.trn" and "dir/a.trn"
// compare equal; Linux file names differ by letter case.
std::string CanonicalDir(const std::string& path) {
  std::error_code ec;
  std::filesystem::path dir = ExtractFilePath(path);
  if (dir.empty()) dir = ".";
  auto canon = std::filesystem::weakly_canonical(std::filesystem::absolute(dir, ec), ec);
  return ec ? dir.lexically_normal().string() : canon.string();
}

// A file name that can stand as an INI key and read back the same.
bool UsableAsKey(const std::string& key) {
  if (key.empty() || key.find('=') != std::string::npos) return false;
  if (key.front() == '[' || key.front() == ';') return false;
  return TrimBlanks(key) == key;
}

std::string KeyOf(const std::string& path) {
  return ChangeFileExt(ExtractFileName(path), "");
}

// The [List] key of a row's training file in a list kept in `dir`. A path
// that Open made from a key (the directory, the key, ".trn") gives that
// key back, so that a key naming a file below or beside the directory
// ("sub/x", "../x") is saved as it was read and still names the same
// file; any other path gives its file name.
std::string ListKey(const std::string& dir, const std::string& path) {
  const size_t ext = kTrainingExt.size();
  if (path.size() > dir.size() + ext && path.compare(0, dir.size(), dir) == 0 &&
      path.compare(path.size() - ext, ext, kTrainingExt) == 0)
    return path.substr(dir.size(), path.size() - dir.size() - ext);
  return KeyOf(path);
}

}  // namespace

std::string CompoundOfLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (SameText(std::string(TrimBlanks(std::string_view(line).substr(0, eq))), "Compound"))
      return std::string(TrimBlanks(std::string_view(line).substr(eq + 1)));
  }
  return {};
}

std::string NoIntensityReason(int32_t low, int32_t high) {
  return "no intensity between m/z " + std::to_string(low) + " and " + std::to_string(high);
}

Classification Classify(TTraining& training, PreprocFrame& reference, PreprocFrame& unknown) {
  Classification c;
  if (!training.HasResults()) return c;
  c.Calculated = true;
  try {
    const std::string problem = training.ClassModelProblem();
    if (!problem.empty()) throw SorrelError(problem);
    if (reference.IsEmpty()) throw SorrelError("its reference spectrum is empty");
    if (unknown.IsEmpty()) throw SorrelError("the spectrum is empty");
    unknown.TakeOptionsOf(reference);
    // Judged only where it has intensity in the window: a spectrum of
    // zeros there would otherwise sit at the centre of every training's
    // scores (or fail its normalisation).
    adouble row, xvals;
    PreprocSettings settings{training.LowBound, training.HighBound, false, 0.0};
    PreprocessRow(settings, reference.CurrentMass(), unknown.CurrentMass(), row, xvals,
                  unknown.FileName());
    if (std::none_of(row.begin(), row.end(), [](double y) { return y > 0.0; })) {
      c.Reason = NoIntensityReason(training.LowBound, training.HighBound);
      return c;
    }
    settings.Normalize = training.Normalize;
    settings.IncSens = training.IncSens;
    PreprocessRow(settings, reference.CurrentMass(), unknown.CurrentMass(), row, xvals,
                  unknown.FileName());
    if (training.ClassModel == tClassModel::Calibrated) {
      const CalibratedAnswer a = ClassifyCalibrated(training.Calibration, row, xvals);
      c.Score = a.Score;
      c.Answer = a.Answer;
    } else {
      adouble s;
      ProjectSpectrum(training.NLoadings, row, training.Loadings, training.RcM, s);
      c.Score = std::fabs(MahalScore(training.MahalMat, training.NLoadings, s, training.RMSG));
      c.Answer = ClassAnswer(c.Score, training.PPID, training.PNID);
    }
  } catch (const SorrelError& e) {
    c.Score = 0.0;
    c.Answer.clear();
    c.Reason = e.what();
  }
  return c;
}

SpecFrame::Processing TemplateProcessing(const std::string& tml) {
  const std::string named = ResolveTemplateName(tml);
  if (!named.empty() && !FileExists(named))
    throw SorrelError("its template " + named + " does not exist");
  tSpOpt options(named.empty() ? TemplateFileOf(tml) : named);
  options.Open();
  // The mass spectrum's chain as a frame runs it on every redraw.
  return [options](const tXYarray& in) mutable { return ProcessView(in, options, false).Output; };
}

std::unique_ptr<PreprocFrame> OpenSpecFrame(const TTraining& training, const std::string& path) {
  auto frame = std::make_unique<SpecFrame>();
  frame->SetProcessing(TemplateProcessing(training.DefaultTml));
  if (!frame->Open(path)) return nullptr;
  return frame;
}

TTrainingList::TTrainingList(const std::string& path) : TMemIniFile(path) {}

std::string TTrainingList::DirName() const {
  return ExtractFilePath(FileName());
}

bool TTrainingList::Open() {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const std::string& key : ReadSection(kList)) {
    const std::string path = DirName() + key + std::string(kTrainingExt);
    if (!FileExists(path)) {
      ShowErrorBox("No such training file ->\n" + path);
      return false;
    }
    std::vector<std::string> lines;
    try {
      lines = ReadTextLines(path);
    } catch (const SorrelError& e) {
      ShowErrorBox("No such training file ->\n" + path + "\n" + e.what());
      return false;
    }
    pairs.emplace_back(CompoundOfLines(lines), path);
  }
  TrainingS = std::move(pairs);
  return true;
}

void TTrainingList::FillRows() {
  Rows.clear();
  // By position, so that a key listed twice gives each row its own mark.
  const auto values = ReadSectionValues(kList);
  for (size_t i = 0; i < TrainingS.size(); ++i) {
    TrainingRow row;
    row.Caption = TrainingS[i].first;
    if (i < values.size()) {
      const auto mark = ParseInt32(values[i].second);
      row.Checked = mark && *mark != 0;
    }
    Rows.push_back(std::move(row));
  }
}

void TTrainingList::Save() {
  EraseSection(kList);
  // One line per row, also for a training listed twice: each row keeps its
  // place and its own check mark.
  for (size_t i = 0; i < Rows.size() && i < TrainingS.size(); ++i)
    AppendString(kList, ListKey(DirName(), TrainingS[i].second), Rows[i].Checked ? "1" : "0");
  UpdateFile();
}

TTraining* TTrainingList::GetTraining(const std::string& SIndex) {
  for (size_t i = 0; i < TrainingS.size(); ++i)
    if (TrainingS[i].first == SIndex) return GetTrainingAt(i);
  ShowErrorBox("No such training");
  return nullptr;
}

TTraining* TTrainingList::GetTrainingAt(size_t row) {
  if (row >= TrainingS.size()) {
    ShowErrorBox("No such training");
    return nullptr;
  }
  LoadedTrn.reset();
  auto t = std::make_unique<TTraining>(TrainingS[row].second);
  t->Open();
  LoadedTrn = std::move(t);
  return LoadedTrn.get();
}

bool TTrainingList::Add(const std::string& path) {
  if (CanonicalDir(path) != CanonicalDir(FileName())) {
    ShowErrorBox("All training files must be in training list directory.");
    return false;
  }
  const std::string key = KeyOf(path);
  if (!UsableAsKey(key)) {
    ShowErrorBox("The training file name \"" + key + "\" cannot be kept in a training list.");
    return false;
  }
  const std::string compound = CompoundOfLines(ReadTextLines(path));
  TrainingS.emplace_back(compound, DirName() + ExtractFileName(path));
  TrainingRow row;
  row.Caption = compound;
  Rows.push_back(std::move(row));
  return true;
}

void TTrainingList::Remove(size_t row) {
  if (row >= Rows.size()) return;
  Rows.erase(Rows.begin() + static_cast<std::ptrdiff_t>(row));
  if (row < TrainingS.size()) TrainingS.erase(TrainingS.begin() + static_cast<std::ptrdiff_t>(row));
}

bool TTrainingList::Run(PreprocFrame* active, const ReferenceFrameMaker& makeReference) {
  BusyCursor busy;
  if (!active) {
    ShowErrorBox("No spec to consider.");
    return false;
  }
  for (TrainingRow& row : Rows) {
    row.Answer.clear();
    row.Score.clear();
    row.State = TrainingRow::Status::None;
    row.ScoreValue = 0.0;
    row.Reason.clear();
  }
  Ui().ProcessMessages();
  for (size_t i = 0; i < Rows.size(); ++i) {
    TrainingRow& row = Rows[i];
    if (!row.Checked) continue;
    try {
      TTraining* t = GetTrainingAt(i);
      if (!t) continue;
      if (!t->HasResults()) {
        row.State = TrainingRow::Status::NotCalculated;
        continue;
      }
      if (t->LoadedSpec.empty())
        throw SorrelError("the training names no spectrum, so it has no reference spectrum");
      const std::string refPath = t->DirName() + t->LoadedSpec[0];
      std::unique_ptr<PreprocFrame> reference = makeReference(*t, refPath);
      if (!reference || reference->IsEmpty())
        throw SorrelError("its reference spectrum " + refPath + " cannot be opened");
      const Classification c = Classify(*t, *reference, *active);
      if (!c.Reason.empty()) throw SorrelError(c.Reason);
      row.State = TrainingRow::Status::Classified;
      row.ScoreValue = c.Score;
      row.Answer = c.Answer;
      row.Score = ScoreText(c.Score);
    } catch (const SorrelError& e) {
      row.State = TrainingRow::Status::NoAnswer;
      row.Reason = e.what();
    }
  }
  return true;
}

std::string TTrainingList::CopyText() const {
  std::string out;
  for (const TrainingRow& row : Rows) {
    if (!row.Checked) continue;
    out += row.Caption + "\n";
    for (const std::string* cell : {&row.Answer, &row.Score, &row.Reason})
      if (!cell->empty()) out += "\t" + *cell;
    out += "\n";
  }
  return out;
}

std::vector<std::string> CheckedTrainingPaths(const TTrainingList& list) {
  std::vector<std::string> paths;
  for (size_t i = 0; i < list.Rows.size() && i < list.TrainingS.size(); ++i)
    if (list.Rows[i].Checked) paths.push_back(list.TrainingS[i].second);
  return paths;
}

void OpenTrainingListByPath(std::unique_ptr<TTrainingList>& current, const std::string& path) {
  if (path.empty()) return;
  if (!FileExists(path) &&
      !Ui().Confirm("Training list file: \"" + path + "\" does not exist.\nCreate a new one ?"))
    return;
  current.reset();
  auto list = std::make_unique<TTrainingList>(path);
  if (!list->Open()) return;
  list->FillRows();
  current = std::move(list);
}

}  // namespace sorrel
