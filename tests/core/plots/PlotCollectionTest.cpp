// The plot collection: numbers and names of frames, the first free number,
// the limit of 35, the busy guard, deletion and the active frame, finding a
// frame by its file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/plots/PlotCollection.h"

using namespace sorrel;
using sorrel::test::ScriptedUi;

namespace {

class CollectionTest : public testing::Test {
 protected:
  std::vector<std::string> Names(const PlotCollection& c) const {
    std::vector<std::string> out;
    for (int i = 0; i < c.Count(); ++i)
      out.push_back(c.Items(i)->Name);
    return out;
  }

  test::ScratchProgramDir dir;
  ScriptedUi ui;
};

}  // namespace

TEST_F(CollectionTest, TheFirstFrameIsSp1AndActive) {
  PlotCollection c;
  EXPECT_EQ(c.Active(), -1);
  EXPECT_EQ(c.DataPath, dir.Path() + "Data/");
  EXPECT_EQ(c.Add(""), 0);
  PlotFrame* f = c.Items(0);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Number(), 0);
  EXPECT_EQ(f->Name, "Sp1");
  EXPECT_EQ(f->Caption(), "(Sp1)");
  EXPECT_TRUE(f->Docked());
  EXPECT_EQ(c.Active(), 0);
  // A frame whose options name no existing data directory gets the
  // collection's.
  EXPECT_EQ(f->SpOpt().DataPath, dir.Path() + "Data/");
  EXPECT_FALSE(c.Busy());
  EXPECT_EQ(c.Items(-1), nullptr);
  EXPECT_EQ(c.Items(1), nullptr);
  EXPECT_FALSE(c.Delete(-1));
  EXPECT_FALSE(c.Delete(1));
}

TEST_F(CollectionTest, AFreedNumberGoesToTheNextFrame) {
  PlotCollection c;
  for (int i = 0; i < 3; ++i)
    c.Add("");
  EXPECT_TRUE(c.Delete(0));
  EXPECT_EQ(c.Add(""), 2);
  EXPECT_EQ(c.Items(2)->Number(), 0);
  EXPECT_EQ(Names(c), (std::vector<std::string>{"Sp2", "Sp3", "Sp1"}));
  EXPECT_EQ(c.Add(""), 3);
  EXPECT_EQ(c.Items(3)->Name, "Sp4");
}

TEST_F(CollectionTest, ThirtyFiveFramesAtMost) {
  PlotCollection c;
  for (int i = 0; i < 35; ++i)
    ASSERT_EQ(c.Add(""), i);
  EXPECT_EQ(c.Items(9)->Name, "SpA");
  EXPECT_EQ(c.Items(34)->Name, "SpZ");
  EXPECT_EQ(c.FirstFreeNumber(), -1);
  EXPECT_EQ(c.Add(""), -1);
  EXPECT_EQ(c.Count(), 35);
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back(), "Marjoram Error Message: Maximum number of plots reached ! ->35");
}

TEST_F(CollectionTest, AnAddWhileAnAddRunsIsRefused) {
  PlotCollection c;
  int nested = 0;
  c.OnAdded = [&](int) { nested = c.Add(""); };
  EXPECT_EQ(c.Add(""), 0);
  EXPECT_EQ(nested, -1);
  EXPECT_EQ(c.Count(), 1);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CollectionTest, DeletingTheActiveFrameSelectsTheNextOrTheFirst) {
  PlotCollection c;
  std::vector<int> told;
  c.OnActiveChanged = [&](int i) { told.push_back(i); };
  for (int i = 0; i < 4; ++i)
    c.Add("");
  c.SetActive(1);
  c.Delete(1);
  EXPECT_EQ(c.Active(), 1);  // the next one, now at index 1
  EXPECT_EQ(c.Items(c.Active())->Name, "Sp3");
  c.SetActive(2);
  c.Delete(2);  // the last: the first becomes active
  EXPECT_EQ(c.Active(), 0);
  EXPECT_EQ(told.back(), 0);
  c.SetActive(1);
  c.Delete(0);  // not the active one: it keeps its frame
  EXPECT_EQ(c.Items(c.Active())->Name, "Sp3");
  c.SetActive(5);  // ignored
  EXPECT_EQ(c.Active(), 0);
  while (c.Active() >= 0)
    c.Delete(c.Active());
  EXPECT_EQ(c.Count(), 0);
}

TEST_F(CollectionTest, FramesAreFoundByTheirFileWhateverTheCase) {
  PlotCollection c;
  const std::string a = dir.Write("A.txt", "1\t1\r\n2\t2\r\n");
  const std::string b = dir.Write("b.txt", "1\t1\r\n2\t2\r\n");
  for (const std::string& f : {a, b, a}) {
    int i = c.Add("");
    c.Items(i)->OpenData(f);
  }
  EXPECT_EQ(c.IdxByFilename(dir.Path() + "a.TXT"), 2);
  EXPECT_EQ(c.IdxByFilename(b), 1);
  EXPECT_EQ(c.IdxByFilename(dir.File("c.txt")), -1);
  c.SetActive(1);
  auto items = c.PopupItems();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].caption, "1) " + a);
  EXPECT_EQ(items[1].caption, "2) " + b);
  EXPECT_FALSE(items[0].checked);
  EXPECT_TRUE(items[1].checked);
  c.Clear();
  EXPECT_TRUE(c.PopupItems().empty());
}
