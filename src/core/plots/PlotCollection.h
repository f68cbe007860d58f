#pragma once
// The logic of the plot collection (TPlots): the open plot frames in the
// order they were added, each with a number from 0 to 34 that names it
// ("Sp1" ... "Sp9", "SpA" ... "SpZ"), one of them active. Its index in the
// list is how the rest of the program addresses a frame. The window shows
// each frame on a tab page and hears of additions, deletions and the active
// frame through the callbacks.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/plots/PlotFrame.h"

namespace sorrel {

class PlotCollection {
 public:
  static constexpr int MaxNPlots = 35;

  // DataPath is the Data directory beside the program.
  PlotCollection();
  ~PlotCollection();
  PlotCollection(const PlotCollection&) = delete;
  PlotCollection& operator=(const PlotCollection&) = delete;

  // Given to new frames whose options name no existing data directory.
  std::string DataPath;

  int Count() const { return static_cast<int>(fItems.size()); }
  // The frame at Index; nullptr outside 0 .. Count - 1.
  PlotFrame* Items(int Index) const;
  // The smallest number that no open frame has; -1 when all are taken.
  int FirstFreeNumber() const;
  // Adds a frame on the template `tml` and makes it active: its index, or
  // -1 when all numbers are taken (the error box says so) or an Add is
  // already running.
  int Add(const std::string& tml);
  bool Busy() const { return fBusy; }
  // Frees the frame at Idx; false (nothing done) for an invalid index.
  bool Delete(int Idx);
  // Deletes frame 0 until none is left.
  void Clear();
  // The last frame (in list order) whose spectrum file is Filename,
  // letter case aside; -1 when none.
  int IdxByFilename(const std::string& Filename) const;
  // The selected frame, -1 with none. Writing an invalid index does
  // nothing.
  int Active() const { return fItems.empty() ? -1 : fActive; }
  void SetActive(int Idx);

  // The pop-up list of the tabs: one item per frame, "1) /path/file",
  // the active frame's checked.
  struct PopupItem {
    std::string caption;
    bool checked = false;
  };
  std::vector<PopupItem> PopupItems() const;

  // A frame was created at `index` and numbered; it is initialised next.
  std::function<void(int index)> OnAdded;
  // The frame at `index` is about to be freed.
  std::function<void(int index)> OnDeleting;
  // Another frame became active.
  std::function<void(int index)> OnActiveChanged;

 private:
  std::vector<std::unique_ptr<PlotFrame>> fItems;
  int fActive = -1;
  bool fBusy = false;
};

}  // namespace sorrel
