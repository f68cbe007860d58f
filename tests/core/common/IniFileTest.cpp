// The in-memory INI file.
#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

#include "ScratchMount.h"
#include "TempDir.h"
#include "core/common/Errors.h"
#include "core/common/IniFile.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"

using namespace sorrel;

TEST(IniFile, TypedValuesRoundTripThroughTheFile) {
  test::TempDir dir;
  std::string path = dir.File("t.ini");
  {
    TMemIniFile ini(path);
    ini.WriteString("General", "Compound", "Caffeine");
    ini.WriteInteger("General", "NLoadings", 4);
    ini.WriteBool("Preprocess", "Normalize", true);
    ini.WriteBool("Preprocess", "Other", false);
    ini.WriteFloat("Preprocess", "IncSens", 0.1);
    ini.WriteFloat("Preprocess", "Big", 123456789012.5);
    ini.UpdateFile();
  }
  EXPECT_EQ(test::ReadAll(path),
            "[General]\r\nCompound=Caffeine\r\nNLoadings=4\r\n\r\n"
            "[Preprocess]\r\nNormalize=1\r\nOther=0\r\nIncSens=0.1\r\nBig=123456789012.5\r\n\r\n");
  TMemIniFile back(path);
  EXPECT_EQ(back.ReadString("general", "COMPOUND", ""), "Caffeine");
  EXPECT_EQ(back.ReadInteger("General", "NLoadings", 0), 4);
  EXPECT_TRUE(back.ReadBool("Preprocess", "Normalize", false));
  EXPECT_FALSE(back.ReadBool("Preprocess", "Other", true));
  EXPECT_EQ(back.ReadFloat("Preprocess", "IncSens", 0), 0.1);
  EXPECT_EQ(back.ReadFloat("Preprocess", "Big", 0), 123456789012.5);
}

TEST(IniFile, BadValuesGiveTheDefault) {
  test::TempDir dir;
  std::string path =
      dir.Write("bad.ini",
                "; comment\r\n[S]\r\n  i = 12abc \r\nb=7\r\nz=0\r\nf=1,5\r\ng= 2.5 \r\n"
                "e=\r\nflag=yes\r\nnoequals\r\n[T]\r\nk=v=w\r\n");
  TMemIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("S", "i", -1), -1);
  EXPECT_TRUE(ini.ReadBool("S", "b", false));  // any whole number but 0 is true
  EXPECT_FALSE(ini.ReadBool("S", "z", true));
  EXPECT_TRUE(ini.ReadBool("S", "flag", true));  // not a number: the default
  EXPECT_FALSE(ini.ReadBool("S", "flag", false));
  EXPECT_EQ(ini.ReadFloat("S", "f", 9), 9);  // comma decimal: not a number here
  EXPECT_EQ(ini.ReadFloat("S", "g", 9), 2.5);
  EXPECT_EQ(ini.ReadFloat("S", "e", 9), 9);
  EXPECT_EQ(ini.ReadFloat("S", "missing", 9), 9);
  EXPECT_EQ(ini.ReadString("T", "k", ""), "v=w");
  EXPECT_TRUE(ini.ValueExists("S", "noequals"));
  EXPECT_EQ(ini.ReadSection("S").size(), 8u);
}

TEST(IniFile, SectionsEraseAndContentsReplace) {
  TMemIniFile a, b;
  a.WriteString("A", "k", "1");
  a.WriteString("PCA", "k", "2");
  b.WriteString("X", "y", "3");
  b.AssignContents(a);
  EXPECT_EQ(b.ReadSections(), (std::vector<std::string>{"A", "PCA"}));
  EXPECT_FALSE(b.SectionExists("X"));
  b.EraseSection("pca");
  EXPECT_EQ(b.ReadSections(), std::vector<std::string>{"A"});
  b.WriteString("A", "k", "changed");  // replacing keeps the key's place
  b.WriteString("A", "j", "new");
  EXPECT_EQ(b.ReadSection("A"), (std::vector<std::string>{"k", "j"}));
  b.DeleteKey("A", "K");
  EXPECT_EQ(b.ReadSection("A"), std::vector<std::string>{"j"});
}

TEST(IniFile, AMissingFileReadsEmptyAndNothingIsWrittenUntilUpdate) {
  test::TempDir dir;
  std::string path = dir.File("none.ini");
  TMemIniFile ini(path);
  EXPECT_TRUE(ini.ReadSections().empty());
  ini.WriteString("S", "k", "v");
  EXPECT_FALSE(FileExists(path));
  ini.UpdateFile();
  EXPECT_TRUE(FileExists(path));
}

// The file lies on a read-only tmpfs (which stops root too) or, where
// mounting is impossible, in a read-only directory.
TEST(IniFile, AFailingUpdateKeepsTheOldFileAndNamesIt) {
  test::TempDir dir;
  test::ScratchMount medium(dir.File("ro"));
  const std::string place = medium.Mounted() ? medium.Path() : dir.Path();
  std::string path = place + "keep.ini";
  std::ofstream(path, std::ios::binary) << "[S]\r\nk=old\r\n";
  if (medium.Mounted())
    ASSERT_TRUE(medium.SetReadOnly(true));
  else
    chmod(dir.Path().c_str(), 0500);
  TMemIniFile ini(path);
  ini.WriteString("S", "k", "new");
  bool threw = false;
  try {
    ini.UpdateFile();
  } catch (const SorrelError& e) {
    threw = true;
    EXPECT_NE(std::string(e.what()).find("keep.ini"), std::string::npos) << e.what();
  }
  chmod(dir.Path().c_str(), 0700);
  if (!threw && !medium.Mounted())
    GTEST_SKIP() << "the directory stays writable for this user (root)";
  EXPECT_TRUE(threw);
  EXPECT_EQ(test::ReadAll(path), "[S]\r\nk=old\r\n");
}

TEST(IniFile, ALineBreakInAValueCannotInjectKeysOrSections) {
  test::TempDir dir;
  std::string path = dir.File("inj.ini");
  TMemIniFile ini(path);
  ini.WriteString("General", "DataPath", "/data\r\n[PCA]\nNLoadings=99");
  ini.UpdateFile();
  TMemIniFile back(path);
  EXPECT_EQ(back.ReadSections(), std::vector<std::string>{"General"});
  EXPECT_EQ(back.ReadString("General", "DataPath", ""), "/data  [PCA] NLoadings=99");
}
