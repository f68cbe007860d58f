// Inputs that the fuzz targets of trainings, training lists and
// startup.ini found, kept in tests/data/fuzz-regressions/<target>/ in the
// target's packed form (described at the head of fuzz/<target>.cpp), with
// what must become of them.
#include <gtest/gtest.h>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/TextFile.h"
#include "core/training/TrainingList.h"

using namespace sorrel;
using test::ScriptedUi;
using test::TempDir;

namespace {

// The parts of an input that packs several files, split at NUL bytes.
std::vector<std::string> Parts(const std::string& input, size_t most) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (parts.size() + 1 < most) {
    size_t nul = input.find('\0', start);
    if (nul == std::string::npos) break;
    parts.push_back(input.substr(start, nul - start));
    start = nul + 1;
  }
  parts.push_back(input.substr(start));
  return parts;
}

}  // namespace

// A list that names the training "a" twice (the first mark not a number):
// two rows, each with its own mark, and saved they stay two rows with the
// same marks.
TEST(FuzzFindings, ATrainingListedTwiceKeepsBothRowsWhenSaved) {
  ScriptedUi ui;
  TempDir dir;
  const std::vector<std::string> parts = Parts(
      test::ReadAll(test::TestData("fuzz-regressions/fuzz_training_list/key-listed-twice")), 3);
  ASSERT_EQ(parts.size(), 2u);
  const std::string listPath = dir.Write("in.trl", parts[0]);
  dir.Write("a.trn", parts[1]);

  TTrainingList list(listPath);
  ASSERT_TRUE(list.Open());
  list.FillRows();
  ASSERT_EQ(list.Rows.size(), 2u);
  EXPECT_FALSE(list.Rows[0].Checked);
  EXPECT_TRUE(list.Rows[1].Checked);

  list.Rename(dir.File("out.trl"), false);
  list.Save();
  EXPECT_EQ(test::ReadAll(dir.File("out.trl")), "[List]\r\na=0\r\na=1\r\n\r\n");
  TTrainingList back(dir.File("out.trl"));
  ASSERT_TRUE(back.Open());
  back.FillRows();
  ASSERT_EQ(back.Rows.size(), 2u);
  EXPECT_EQ(back.TrainingS, list.TrainingS);
  EXPECT_FALSE(back.Rows[0].Checked);
  EXPECT_TRUE(back.Rows[1].Checked);
  EXPECT_TRUE(ui.messages.empty());
}
