// Training lists (*.trl) with the trainings they name. The input is the
// list file, then (after a NUL byte each) the files a.trn and b.trn of the
// list's directory; a part that is missing leaves its file out. Any list
// opens or is refused with a message; an opened list runs a classification
// to answers or stops with an error; saved and opened again it gives the
// same rows with the same check marks.
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "core/common/Errors.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/TrainingList.h"

using namespace sorrel;

namespace {

// The spectrum every run classifies: on every mass of a small window, so
// that trainings of that window are classified and others stop with their
// error.
tXYarray Unknown() {
  tXYarray s;
  for (int m = 30; m <= 300; ++m)
    s.push_back({static_cast<float>(m), static_cast<float>(1 + (m * 37) % 101)});
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallYesUi();
  std::vector<std::string_view> parts;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (parts.size() < 3) {
    const size_t nul = rest.find('\0');
    parts.push_back(rest.substr(0, nul));
    if (nul == std::string_view::npos) break;
    rest.remove_prefix(nul + 1);
  }
  const char* trainings[2] = {"a.trn", "b.trn"};
  for (int k = 0; k < 2; ++k) {
    if (parts.size() > static_cast<size_t>(k) + 1)
      fuzz::WriteScratch(trainings[k], reinterpret_cast<const uint8_t*>(parts[k + 1].data()),
                         parts[k + 1].size());
    else
      ::unlink((fuzz::ScratchDir() + trainings[k]).c_str());
  }
  const std::string listPath = fuzz::WriteScratch(
      "in.trl", reinterpret_cast<const uint8_t*>(parts[0].data()), parts[0].size());

  TTrainingList list(listPath);
  if (!list.Open()) return 0;
  list.FillRows();
  if (list.Rows.size() != list.TrainingS.size() ||
      list.TrainingS.size() != list.ReadSection("List").size())
    std::abort();

  SpecFrame active(Unknown());
  // A training that does not fit the spectrum, an arithmetic fault: that
  // row gets no answer but its reason, and the run goes on.
  list.Run(&active, [](const TTraining&, const std::string&) -> std::unique_ptr<PreprocFrame> {
    return std::make_unique<SpecFrame>(Unknown());
  });
  for (const TrainingRow& row : list.Rows) {
    if (row.State == TrainingRow::Status::Classified && row.Answer != "Yes" &&
        row.Answer != "Poss." && row.Answer != "No")
      std::abort();
    if ((row.State == TrainingRow::Status::NoAnswer) != !row.Reason.empty()) std::abort();
  }

  // Saved under another name in the same directory and opened again.
  const std::string outPath = fuzz::ScratchDir() + "out.trl";
  list.Rename(outPath, false);
  list.Save();
  TTrainingList back(outPath);
  if (!back.Open()) std::abort();
  back.FillRows();
  if (back.TrainingS != list.TrainingS || back.Rows.size() != list.Rows.size()) std::abort();
  for (size_t i = 0; i < back.Rows.size(); ++i)
    if (back.Rows[i].Checked != list.Rows[i].Checked) std::abort();
  return 0;
}
