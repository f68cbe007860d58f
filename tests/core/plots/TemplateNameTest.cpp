// Template names as a training or a frame holds them, resolved to the file
// a frame's options come from.
#include <gtest/gtest.h>

#include <filesystem>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Directories.h"
#include "core/plots/TemplateName.h"

using namespace sorrel;
using sorrel::test::ScriptedUi;
using sorrel::test::TempDir;

TEST(TemplateName, Resolution) {
  ScriptedUi ui;
  TempDir dir;
  SetProgramDir(dir.Path());
  std::filesystem::create_directory(dir.File("Config"));
  const std::string config = dir.File("Config/");
  struct Case {
    std::string name, resolved, file;
  } cases[] = {
      {"", "", config + "empty.tml"},
      {"<none>", "", config + "empty.tml"},
      {"/lab/templates/Empty.TML", "", config + "empty.tml"},  // the defaults, wherever they lie
      {"gc", config + "gc.tml", config + "gc.tml"},
      {"gc.tml", config + "gc.tml", config + "gc.tml"},
      {"/lab/ei.ini", "/lab/ei.ini", "/lab/ei.ini"},  // a full name is used unchanged
      {"/lab/ei", "/lab/ei.tml", "/lab/ei.tml"},
      {"sub/ei", "sub/ei.tml", "sub/ei.tml"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NamesTemplate(c.name), !c.resolved.empty()) << c.name;
    EXPECT_EQ(ResolveTemplateName(c.name), c.resolved) << c.name;
    EXPECT_EQ(TemplateFileOf(c.name), c.file) << c.name;
  }
  EXPECT_TRUE(ui.questions.empty());

  // Without a Config directory, and the user declining to create one, a
  // bare name stays bare and a frame without template gets the defaults.
  std::filesystem::remove(dir.File("Config"));
  ui.QueueConfirm(false);
  EXPECT_EQ(ResolveTemplateName("gc"), "gc.tml");
  ui.QueueConfirm(false);
  EXPECT_EQ(TemplateFileOf(""), "");
  EXPECT_EQ(ui.questions.size(), 2u);
  SetProgramDir("");
}
