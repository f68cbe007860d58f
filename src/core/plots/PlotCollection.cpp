#include "core/plots/PlotCollection.h"

#include "core/common/Directories.h"
#include "core/common/ErrorBox.h"
#include "core/common/FrameLabels.h"
#include "core/common/IniFile.h"
#include "core/common/Paths.h"

namespace sorrel {

PlotCollection::PlotCollection() : DataPath(ProgramDir() + "Data/") {}

PlotCollection::~PlotCollection() {
  Clear();
}

PlotFrame* PlotCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) return nullptr;
  return fItems[static_cast<size_t>(Index)].get();
}

int PlotCollection::FirstFreeNumber() const {
  for (int n = 0; n < MaxNPlots; ++n) {
    bool taken = false;
    for (const auto& f : fItems)
      taken = taken || f->Number() == n;
    if (!taken) return n;
  }
  return -1;
}

int PlotCollection::Add(const std::string& tml) {
  const int number = FirstFreeNumber();
  if (number < 0) {
    ShowErrorBox("Maximum number of plots reached ! ->" + std::to_string(MaxNPlots));
    return -1;
  }
  if (fBusy) return -1;
  fBusy = true;
  struct BusyEnd {
    bool& busy;
    ~BusyEnd() { busy = false; }
  } busyEnd{fBusy};

  fItems.push_back(std::make_unique<PlotFrame>());
  const int index = Count() - 1;
  PlotFrame& frame = *fItems.back();
  frame.SetNumber(number);
  frame.Name = std::string("Sp") + IndexChar(number + 1);
  try {
    if (OnAdded) OnAdded(index);
    frame.Initialise(tml);
    frame.SetDocked(true);
    frame.SetCaption("(" + frame.Name + ")");
    frame.SetIniPos();
    if (!DirectoryExists(frame.SpOpt().DataPath)) frame.SpOpt().DataPath = DataPath;
  } catch (...) {
    // A frame that could not be set up is not left half made.
    Delete(index);
    throw;
  }
  SetActive(index);
  return index;
}

bool PlotCollection::Delete(int Idx) {
  if (Idx < 0 || Idx >= Count()) return false;
  const bool wasActive = Idx == fActive;
  if (OnDeleting) OnDeleting(Idx);
  fItems.erase(fItems.begin() + Idx);
  if (fItems.empty()) {
    fActive = -1;
  } else if (wasActive) {
    // The next frame in order, the first when the last one went.
    fActive = Idx < Count() ? Idx : 0;
    if (OnActiveChanged) OnActiveChanged(fActive);
  } else if (Idx < fActive) {
    --fActive;
  }
  return true;
}

void PlotCollection::Clear() {
  while (!fItems.empty())
    Delete(0);
}

int PlotCollection::IdxByFilename(const std::string& Filename) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (SameText(fItems[static_cast<size_t>(i)]->Spec.Filename(), Filename)) return i;
  return -1;
}

void PlotCollection::SetActive(int Idx) {
  if (Idx < 0 || Idx >= Count()) return;
  fActive = Idx;
  if (OnActiveChanged) OnActiveChanged(Idx);
}

std::vector<PlotCollection::PopupItem> PlotCollection::PopupItems() const {
  std::vector<PopupItem> items;
  for (int i = 0; i < Count(); ++i) {
    const PlotFrame& f = *fItems[static_cast<size_t>(i)];
    items.push_back(
        {std::string(1, IndexChar(f.Number() + 1)) + ") " + f.Spec.Filename(), i == Active()});
  }
  return items;
}

}  // namespace sorrel
