// Program directories, frame labels and the error box.
#include <gtest/gtest.h>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Directories.h"
#include "core/common/ErrorBox.h"
#include "core/common/FrameLabels.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"

using namespace sorrel;

TEST(Labels, IndexCharAndCharIndexAreInverse) {
  for (int n = 0; n <= 35; ++n)
    EXPECT_EQ(CharIndex(IndexChar(n)), n);
  EXPECT_EQ(IndexChar(9), '9');
  EXPECT_EQ(IndexChar(10), 'A');
  EXPECT_EQ(IndexChar(35), 'Z');
  EXPECT_EQ(IndexChar(36), '\0');
  EXPECT_EQ(IndexChar(-1), '\0');
  EXPECT_EQ(CharIndex(UpperCase("z")[0]), 35);
  EXPECT_EQ(CharIndex('#'), -1);
  EXPECT_EQ(CharIndex('a'), -1);
}

TEST(ErrorBox, NumbersBecomeInternalErrorsAndPlaceholdersFill) {
  test::ScriptedUi ui;
  ShowErrorBox("45");
  ShowErrorBox("No such training");
  ShowErrorBox("a ### b ### c ### d ###", "1", "2");
  ASSERT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(ui.messages[0], "Marjoram Error Message: Internal error #45");
  EXPECT_EQ(ui.messages[1], "Marjoram Error Message: No such training");
  EXPECT_EQ(ui.messages[2], "Marjoram Error Message: a 1 b 2 c  d ###");
  // A placeholder in an argument is not filled again.
  EXPECT_EQ(ErrorBoxText("### ###", "###", "x"), "### x");
}

TEST(Directories, DataDirAsksBeforeCreating) {
  test::TempDir dir;
  SetProgramDir(dir.Path());
  test::ScriptedUi ui;
  ui.QueueConfirm(false);
  EXPECT_EQ(DataDir(), "");
  EXPECT_FALSE(DirectoryExists(dir.File("Data")));
  EXPECT_EQ(ui.questions.at(0), dir.Path() + "Data/ does not exist.\nDo you want to create one ?");
  ui.QueueConfirm(true);
  EXPECT_EQ(DataDir(), dir.Path() + "Data/");
  EXPECT_TRUE(DirectoryExists(dir.File("Data")));
  EXPECT_EQ(DataDir(), dir.Path() + "Data/");  // exists now: no question
  EXPECT_EQ(ui.questions.size(), 2u);
  ui.QueueConfirm(true);
  EXPECT_EQ(ConfigDir(), dir.Path() + "Config/");
  SetProgramDir("");
}

TEST(Directories, ProgramDirIsTheExecutablesDirectory) {
  EXPECT_EQ(ProgramDir(), std::string(SORREL_BIN_DIR) + "/");
}
