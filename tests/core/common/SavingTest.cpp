// Every writer of the program on a file system that refuses the save: a
// read-only one and a full one. The save fails and says why, naming the
// file; the previous file is left as it was and no temporary file stays
// behind. Each case mounts a small tmpfs and skips itself where mounting
// is impossible.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <set>

#include "ScratchMount.h"
#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/common/IniFile.h"
#include "core/plots/SpOpt.h"
#include "core/spectrum/Spec.h"
#include "core/spectrum/SpecText.h"
#include "core/training/Training.h"
#include "core/training/TrainingList.h"

using namespace sorrel;
using test::ScratchMount;
using test::ScriptedUi;
using test::TempDir;

namespace {

// A run of `scans` scans; `version` changes every value, so that an old
// and a new save differ.
void FillRun(TSpec& s, int scans, int version) {
  for (int k = 1; k <= scans; ++k) {
    tXYarray points;
    for (int m = 40; m < 140; ++m)
      points.push_back({static_cast<float>(m), static_cast<float>(version * 1000 + k + m)});
    s.AddSSpec(k * 0.5, 1.0, points);
  }
}

tXYarray Spectrum(int version) {
  tXYarray points;
  for (int m = 40; m < 400; ++m)
    points.push_back({static_cast<float>(m) + 0.25f, static_cast<float>(version * 100 + m)});
  return points;
}

// One writer: saves version `version` of its file at `path`. A refused
// save either throws SorrelError or answers false after a message.
struct Writer {
  const char* what;
  const char* file;
  std::function<bool(const std::string& path, int version)> save;
};

std::vector<Writer> Writers() {
  return {
      {"INI file", "a.ini",
       [](const std::string& path, int version) {
         TMemIniFile ini(path);
         ini.WriteString("S", "k", std::string(100 * version, 'v'));
         ini.UpdateFile();
         return true;
       }},
      {"training", "t.trn",
       [](const std::string& path, int version) {
         TTraining t(path);
         t.Open();
         t.Compound = "compound " + std::to_string(version);
         for (int k = 0; k < 30; ++k)
           t.LoadedSpec.push_back("spectrum" + std::to_string(version * 100 + k) + ".txt");
         t.Save(true);
         return true;
       }},
      {"training list", "l.trl",
       [](const std::string& path, int version) {
         TTrainingList list(path);
         for (int k = 0; k < 5 * version; ++k) {
           list.TrainingS.emplace_back("c", list.DirName() + "t" + std::to_string(k) + ".trn");
           list.Rows.emplace_back();
         }
         list.Save();
         return true;
       }},
      {"plot template", "p.tml",
       [](const std::string& path, int version) {
         tSpOpt o(path);
         o.DataPath = "/data/" + std::string(50 * version, 'd');
         return o.Save();
       }},
      {"text spectrum", "s.txt",
       [](const std::string& path, int version) {
         TSpec s;
         s.SetMassOnly(true);
         s.CMass = Spectrum(version);
         return s.SaveFile(path);
       }},
      {"XY list", "x.txt",
       [](const std::string& path, int version) {
         SaveXYList(Spectrum(version), path);
         return true;
       }},
      {"HD run", "r.R01",
       [](const std::string& path, int version) {
         TSpec s;
         FillRun(s, 20, version);
         return s.SaveFile(path);
       }},
      {"HD run written scan by scan", "w.R01",
       [](const std::string& path, int version) {
         TSpec s;
         s.CreateHDFile(path);
         FillRun(s, 20, version);
         return s.CloseHDFile();
       }},
      {"netCDF run", "n.cdf",
       [](const std::string& path, int version) {
         TSpec s;
         FillRun(s, 20, version);
         return s.SaveFile(path);
       }},
  };
}

// The names in a directory.
std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.insert(e.path().filename().string());
  return names;
}

// Runs a save that must be refused; its message (from the error or the
// message box) must name the file and give `reason`.
void ExpectRefused(const Writer& w, const std::string& path, int version, ScriptedUi& ui,
                   const std::string& reason) {
  std::string message;
  try {
    if (w.save(path, version)) {
      ADD_FAILURE() << "the save succeeded";
      return;
    }
    ASSERT_FALSE(ui.messages.empty()) << "refused without a message";
    message = ui.messages.back();
  } catch (const SorrelError& e) {
    message = e.what();
  }
  EXPECT_NE(message.find(path), std::string::npos) << message;
  EXPECT_NE(message.find(reason), std::string::npos) << message;
}

// Saves the writer's file on a tmpfs of its own, breaks the file system
// with `breakIt`, and expects the second save to be refused for the reason
// `err` with the first file as it was and no file left behind. `mounted`
// says whether a tmpfs could be mounted at all.
void ExpectPreviousFileKept(const Writer& w, const std::function<bool(ScratchMount&)>& breakIt,
                            int err, bool& mounted) {
  ScriptedUi ui;
  TempDir dir;
  ScratchMount fs(dir.File("fs"));
  mounted = fs.Mounted();
  if (!mounted) return;
  const std::string path = fs.Path() + w.file;
  ASSERT_TRUE(w.save(path, 1));
  const std::string before = test::ReadAll(path);
  ASSERT_TRUE(breakIt(fs));
  const std::set<std::string> names = Names(fs.Path());
  ExpectRefused(w, path, 2, ui, std::strerror(err));
  EXPECT_EQ(test::ReadAll(path), before);
  EXPECT_EQ(Names(fs.Path()), names) << "no temporary file is left";
}

}  // namespace

TEST(Saving, AReadOnlyFileSystemKeepsThePreviousFile) {
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.what);
    bool mounted = false;
    ExpectPreviousFileKept(
        w, [](ScratchMount& fs) { return fs.SetReadOnly(true); }, EROFS, mounted);
    if (!mounted) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  }
}

TEST(Saving, AFullFileSystemKeepsThePreviousFile) {
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.what);
    bool mounted = false;
    ExpectPreviousFileKept(
        w, [](ScratchMount& fs) { return fs.Fill(); }, ENOSPC, mounted);
    if (!mounted) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  }
}

// The spectrum cache is a working file, but switching it on never spoils
// an older cache file of that name: the new one takes the name only when
// it is complete. A store whose cache cannot be written keeps its run.
TEST(Saving, ASpectrumCacheThatCannotBeWrittenKeepsTheOlderOne) {
  for (bool full : {false, true}) {
    SCOPED_TRACE(full ? "full" : "read-only");
    ScriptedUi ui;
    TempDir dir;
    ScratchMount fs(dir.File("fs"));
    if (!fs.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    std::filesystem::create_directory(fs.Path() + "Data");
    SetProgramDir(fs.Path());
    const std::string cache = fs.Path() + "Data/SP1.csh";
    {
      TSpec old;
      FillRun(old, 3, 1);
      old.SetCasheOn(true);
    }
    const std::string before = test::ReadAll(cache);
    TSpec spec;
    FillRun(spec, 200, 2);
    const tXYarray scan = spec.GetMass(7);
    if (full)
      ASSERT_TRUE(fs.Fill());
    else
      ASSERT_TRUE(fs.SetReadOnly(true));
    const std::set<std::string> names = Names(fs.Path() + "Data");
    try {
      spec.SetCasheOn(true);
      ADD_FAILURE() << "the cache was written";
    } catch (const SorrelError& e) {
      EXPECT_NE(std::string(e.what()).find(cache), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(std::strerror(full ? ENOSPC : EROFS)), std::string::npos)
          << e.what();
    }
    EXPECT_FALSE(spec.CasheOn());
    EXPECT_EQ(spec.GetMass(7), scan);
    EXPECT_EQ(test::ReadAll(cache), before);
    EXPECT_EQ(Names(fs.Path() + "Data"), names);
    SetProgramDir("");
  }
}

// A store that reads an older cache file of the same name goes on reading
// it while another store writes a new one. (The older file is larger than
// the reader's buffer, so that the reader goes back to the file.)
TEST(Saving, ANewCacheDoesNotChangeAnOpenedOne) {
  ScriptedUi ui;
  TempDir dir;
  std::filesystem::create_directory(dir.File("Data"));
  SetProgramDir(dir.Path());
  {
    TSpec first;
    FillRun(first, 2000, 1);
    first.SetCasheOn(true);
  }
  TSpec reader;
  ASSERT_TRUE(reader.OpenFile(dir.File("Data/SP1.csh")));
  const tXYarray last = reader.GetMass(1999);
  reader.GetMass(0);
  TSpec writer;
  FillRun(writer, 50, 2);
  writer.SetCasheOn(true);
  EXPECT_EQ(reader.GetMass(1999), last);
  EXPECT_EQ(reader.NSpec(), 2000);
  SetProgramDir("");
}
