// Plot options and templates: defaults, reading over a base, writing, and
// the defaults file that is never written.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "TempDir.h"
#include "core/common/Errors.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/plots/SpOpt.h"

using namespace sorrel;
using sorrel::test::ReadAll;
using sorrel::test::TempDir;

namespace {

// The template of the default options, as Save writes it (sections and
// keys in table order, CR LF, an empty line after each section).
const char* const kDefaultsText =
    "[General]\r\nMassOnly=0\r\nDataPath=\r\n\r\n"
    "[C_Visual]\r\nTeeFile=\r\nAutoY=0\r\nFixY=1\r\nXUnits=0\r\nYUnits=0\r\n\r\n"
    "[C_Smooth]\r\nSGDegree=3\r\nEnabled=0\r\n\r\n"
    "[C_BLine]\r\nThreshold=0\r\nAutoTS=0\r\nEnabled=0\r\n\r\n"
    "[C_Peak]\r\nMethod=0\r\nSensiv=5\r\nMinHeight=0\r\nMinDist=0\r\nMinArea=0\r\nEnabled=0\r\n\r\n"
    "[M_Visual]\r\nTeeFile=\r\nAutoY=0\r\nFixY=1\r\nXUnits=0\r\nYUnits=0\r\n\r\n"
    "[M_Smooth]\r\nSGDegree=3\r\nEnabled=0\r\n\r\n"
    "[M_BLine]\r\nThreshold=0\r\nAutoTS=0\r\nEnabled=0\r\n\r\n"
    "[M_Peak]\r\nMethod=2\r\nSensiv=5\r\nMinHeight=0\r\nMinDist=0\r\nMinArea=0\r\nEnabled="
    "0\r\n\r\n";

void ExpectDefaultView(const ToView& v, int method, bool fillNull, const char* which) {
  SCOPED_TRACE(which);
  EXPECT_EQ(v.TeeFile, "");
  EXPECT_FALSE(v.AutoY);
  EXPECT_TRUE(v.FixY);
  EXPECT_EQ(v.XUnits, 0);
  EXPECT_FALSE(v.YUnits);
  EXPECT_EQ(v.Smooth.SGDegree, 3);
  EXPECT_EQ(v.Smooth.FillNull, fillNull);
  EXPECT_FALSE(v.Smooth.Enabled);
  EXPECT_EQ(v.BLine.Threshold, 0.0);
  EXPECT_FALSE(v.BLine.AutoTS);
  EXPECT_FALSE(v.BLine.Enabled);
  EXPECT_EQ(v.Peak.Method, method);
  EXPECT_EQ(v.Peak.Sensiv, 5);
  EXPECT_EQ(v.Peak.MinHeight, 0.0);
  EXPECT_EQ(v.Peak.MinDist, 0.0);
  EXPECT_EQ(v.Peak.MinArea, 0.0);
  EXPECT_FALSE(v.Peak.Enabled);
}

// Every field away from its default.
void SetOddValues(tSpOpt& o) {
  o.MassOnly = true;
  o.DataPath = "/data/runs/";
  for (ToView* v : {&o.oChrom, &o.oMass}) {
    const int d = v == &o.oChrom ? 0 : 1;  // the two halves differ
    v->TeeFile = d ? "mass.tee" : "chrom.tee";
    v->AutoY = true;
    v->FixY = false;
    v->XUnits = 1 + d;
    v->YUnits = true;
    v->Smooth.SGDegree = 7 + d;
    v->Smooth.Enabled = true;
    v->BLine.Threshold = 12.5 + d;
    v->BLine.AutoTS = true;
    v->BLine.Enabled = true;
    v->Peak.Method = 1 - d;
    v->Peak.Sensiv = 9 + d;
    v->Peak.MinHeight = 1.0e-5 * (1 + d);
    v->Peak.MinDist = 0.3 + d;
    v->Peak.MinArea = 123456.789 + d;
    v->Peak.Enabled = true;
  }
}

}  // namespace

TEST(SpOpt, MissingFileGivesTheDefaults) {
  TempDir dir;
  tSpOpt o(dir.File("none.tml"));
  SetOddValues(o);
  o.Locked = true;
  EXPECT_TRUE(o.Open());
  EXPECT_FALSE(o.MassOnly);
  EXPECT_EQ(o.DataPath, "");
  EXPECT_FALSE(o.Locked);
  ExpectDefaultView(o.oChrom, 0, false, "chromatogram");
  ExpectDefaultView(o.oMass, 2, true, "mass");
  EXPECT_FALSE(FileExists(dir.File("none.tml"))) << "opening writes nothing";
}

TEST(SpOpt, CreationReadsNothingAndHoldsTheDefaults) {
  TempDir dir;
  std::string path = dir.Write("t.tml", "[M_Peak]\r\nMethod=0\r\n");
  tSpOpt o(path);
  EXPECT_EQ(o.oMass.Peak.Method, 2);
  EXPECT_FALSE(o.oChrom.Smooth.FillNull);
  EXPECT_TRUE(o.oMass.Smooth.FillNull);
  EXPECT_EQ(o.FileName(), path);
}

TEST(SpOpt, OneKeyTemplateOverDefaultsAndOverABase) {
  TempDir dir;
  std::string path = dir.Write("m.tml", "[M_Peak]\r\nMethod=0\r\n");
  tSpOpt o(path);
  EXPECT_TRUE(o.Open());
  EXPECT_EQ(o.oMass.Peak.Method, 0);
  o.oMass.Peak.Method = 2;  // back to the default: the rest must equal the defaults
  tSpOpt defaults(dir.File("other.tml"));
  defaults.SetDefaults();
  EXPECT_EQ(o.oMass, defaults.oMass);
  EXPECT_EQ(o.oChrom, defaults.oChrom);

  // Over a base, keys missing in the file keep the base's values.
  tSpOpt base(dir.File("base.tml"));
  SetOddValues(base);
  base.DataPath = dir.Path();
  tSpOpt over(path);
  EXPECT_TRUE(over.Open(&base));
  EXPECT_EQ(over.DataPath, dir.Path());
  EXPECT_TRUE(over.MassOnly);
  EXPECT_EQ(over.oChrom, base.oChrom);
  EXPECT_EQ(over.oMass.Peak.Method, 0);
  over.oMass.Peak.Method = base.oMass.Peak.Method;
  over.oMass.Smooth.FillNull = base.oMass.Smooth.FillNull;  // always true after Open
  EXPECT_EQ(over.oMass, base.oMass);
  EXPECT_EQ(over.FileName(), path) << "the object keeps its own file";
}

TEST(SpOpt, OpenWithItselfAsBaseEqualsOpenWithoutBase) {
  TempDir dir;
  std::string path = dir.Write("m.tml", "[C_Smooth]\r\nSGDegree=9\r\n");
  tSpOpt a(path), b(path);
  SetOddValues(a);
  SetOddValues(b);
  a.Open();
  b.Open(&b);
  EXPECT_EQ(a.oChrom, b.oChrom);
  EXPECT_EQ(a.oMass, b.oMass);
  EXPECT_EQ(a.oChrom.Smooth.SGDegree, 9);
  EXPECT_EQ(a.oMass.Smooth.SGDegree, 3);
}

TEST(SpOpt, SaveWritesEveryKeyInOrder) {
  TempDir dir;
  tSpOpt o(dir.File("d.tml"));
  o.SetDefaults();
  EXPECT_TRUE(o.Save());
  EXPECT_EQ(ReadAll(dir.File("d.tml")), kDefaultsText);
}

TEST(SpOpt, EveryFieldRoundTrips) {
  TempDir dir;
  tSpOpt o(dir.File("all.tml"));
  SetOddValues(o);
  ASSERT_TRUE(o.Save());
  tSpOpt back(dir.File("all.tml"));
  back.Open();
  EXPECT_EQ(back.MassOnly, o.MassOnly);
  EXPECT_EQ(back.DataPath, o.DataPath);
  EXPECT_EQ(back.oChrom, o.oChrom);  // FillNull false on both
  o.oMass.Smooth.FillNull = true;
  EXPECT_EQ(back.oMass, o.oMass);
  const std::string text = ReadAll(dir.File("all.tml"));
  EXPECT_NE(text.find("Threshold=12.5\r\n"), std::string::npos);
  EXPECT_NE(text.find("MinHeight=1E-5\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("MinArea=123456.789\r\n"), std::string::npos);
}

TEST(SpOpt, ValuesThatDoNotParseTakeTheDefault) {
  TempDir dir;
  std::string path = dir.Write("bad.tml",
                               "[M_BLine]\r\nThreshold=12,5\r\nAutoTS=yes\r\nEnabled=2\r\n"
                               "[M_Smooth]\r\nSGDegree=3a\r\nEnabled=-1\r\n"
                               "[M_Peak]\r\nSensiv= 7 \r\nMinDist=1e400\r\nMinHeight=.5\r\n"
                               "[C_Visual]\r\nXUnits=\r\nFixY=0\r\n");
  tSpOpt o(path);
  o.Open();
  EXPECT_EQ(o.oMass.BLine.Threshold, 0.0) << "comma as decimal separator";
  EXPECT_FALSE(o.oMass.BLine.AutoTS) << "a word is no Boolean";
  EXPECT_TRUE(o.oMass.BLine.Enabled) << "any whole number but 0 is true";
  EXPECT_EQ(o.oMass.Smooth.SGDegree, 3) << "letters in a whole number";
  EXPECT_TRUE(o.oMass.Smooth.Enabled);
  EXPECT_EQ(o.oMass.Peak.Sensiv, 7) << "blanks around a value are no fault";
  EXPECT_EQ(o.oMass.Peak.MinDist, 0.0) << "beyond the range of a double";
  EXPECT_EQ(o.oMass.Peak.MinHeight, 0.5);
  EXPECT_EQ(o.oChrom.XUnits, 0) << "an empty value";
  EXPECT_FALSE(o.oChrom.FixY);

  // Over a base the unparsable value takes the base's value.
  tSpOpt base(dir.File("base.tml"));
  SetOddValues(base);
  tSpOpt over(path);
  over.Open(&base);
  EXPECT_EQ(over.oMass.BLine.Threshold, base.oMass.BLine.Threshold);
  EXPECT_EQ(over.oMass.Smooth.SGDegree, base.oMass.Smooth.SGDegree);
}

TEST(SpOpt, TheDefaultsFileIsNeverWritten) {
  TempDir dir;
  struct Case {
    const char* name;
    bool written;
  };
  const Case cases[] = {{"empty.tml", false},
                        {"EMPTY.TML", true},
                        {"Empty.tml", true},
                        {"empty.tml.bak", true},
                        {"notempty.tml", true}};
  for (const Case& c : cases) {
    tSpOpt o(dir.File(c.name));
    o.SetDefaults();
    EXPECT_EQ(o.Save(), c.written) << c.name;
    EXPECT_EQ(FileExists(dir.File(c.name)), c.written) << c.name;
  }
  // An edited defaults file stays as the user wrote it.
  std::string path = dir.Write("empty.tml", "[M_Peak]\r\nMethod=1\r\n");
  tSpOpt o(path);
  o.Open();
  EXPECT_EQ(o.oMass.Peak.Method, 1);
  o.oMass.Peak.Method = 0;
  EXPECT_FALSE(o.Save());
  EXPECT_EQ(ReadAll(path), "[M_Peak]\r\nMethod=1\r\n");
}

TEST(SpOpt, SaveKeepsForeignKeysAndReportsUnwritableFiles) {
  TempDir dir;
  std::string path =
      dir.Write("t.tml", "[Notes]\r\nWho=lab 3\r\n[M_Peak]\r\nMethod=1\r\nColour=red\r\n");
  tSpOpt o(path);
  o.Open();
  o.oMass.Peak.Method = 0;
  ASSERT_TRUE(o.Save());
  tSpOpt back(path);
  back.Open();
  EXPECT_EQ(back.oMass.Peak.Method, 0);
  EXPECT_EQ(back.ReadString("Notes", "Who", ""), "lab 3");
  EXPECT_EQ(back.ReadString("M_Peak", "Colour", ""), "red");

  const std::string missing = dir.File("no/such/dir/t.tml");
  tSpOpt lost(missing);
  try {
    lost.Save();
    ADD_FAILURE() << "no error";
  } catch (const SorrelError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Unable to write to " + missing + ": " + std::strerror(ENOENT));
  }
}

TEST(SpOpt, OpenReadsTheFileAsItIsNow) {
  TempDir dir;
  std::string path = dir.Write("t.tml", "[C_Peak]\r\nSensiv=2\r\n");
  tSpOpt o(path);
  o.Open();
  EXPECT_EQ(o.oChrom.Peak.Sensiv, 2);
  dir.Write("t.tml", "[C_Peak]\r\nSensiv=8\r\n");
  o.Open();
  EXPECT_EQ(o.oChrom.Peak.Sensiv, 8);
}

TEST(SpOpt, AssignCopiesFieldsNotTheFileName) {
  TempDir dir;
  tSpOpt src(dir.File("a.tml")), dst(dir.File("b.tml"));
  SetOddValues(src);
  src.Locked = true;
  src.oChrom.Smooth.FillNull = true;
  dst.Assign(src);
  EXPECT_EQ(dst.FileName(), dir.File("b.tml"));
  EXPECT_TRUE(dst.Locked);
  EXPECT_EQ(dst.MassOnly, src.MassOnly);
  EXPECT_EQ(dst.DataPath, src.DataPath);
  EXPECT_EQ(dst.oChrom, src.oChrom);
  EXPECT_EQ(dst.oMass, src.oMass);
  src.DataPath = "changed";
  EXPECT_EQ(dst.DataPath, "/data/runs/") << "strings are copied by value";
  dst.Assign(dst);
  EXPECT_EQ(dst.oMass, src.oMass);
}
