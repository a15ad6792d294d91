// The vendor tables applied to stock-like INF files, byte for byte.
#include "infpatch/vendor_tables.h"

#include <string>

#include "tests/support/sim_test.h"

namespace lw {
namespace {

class VendorTableTest : public SimTest {
 protected:
  std::string patch(VendorTableKind kind, bool gen60, const std::string& input) {
    VendorPatchTable table(kind);
    if (gen60) table.applyGen60Adjustment();
    sim.putFile(kIn, input);
    EXPECT_EQ(patchInfFile(table.table(), kOut, kIn), PatchResult::PatchOk);
    return sim.fileText(kOut);
  }

  static constexpr const char* kIn = "C:\\work\\usbstor.inf";
  static constexpr const char* kOut = "C:\\work\\abk1A2B.tmp";
};

// A stock mass-storage INF whose "[Strings]" already holds one vendor line,
// with trailing blanks.
const char kStockUsbstor[] =
    "[Version]\n"
    "Signature=\"$Windows NT$\"\n"
    "\n"
    "[Manufacturer]\n"
    "%Generic%=Generic\n"
    "\n"
    "[SourceDisksFiles]\n"
    "usbstor.sys=1\n"
    "\n"
    "[Strings]\n"
    "Generic=\"Generic\"\n"
    "USB\\Vid_5E2D&Pid_0003.DeviceDesc = \"slateBook Strata\"  \t\n";

const char kStorageHead[] =
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "\r\n"
    "[Manufacturer]\r\n"
    "%Brannock%=Brannock\r\n"
    "%Generic%=Generic\r\n"
    "\r\n"
    "[SourceDisksFiles]\r\n";

const char kStorageTail[] =
    "\r\n"
    "[Strings]\r\n"
    "Brannock=\"Tarvel Brannock Inc.\"\r\n"
    "USB\\Vid_5E2D&Pid_0000.DeviceDesc = \"M3x Strata\"\r\n"
    "USB\\Vid_5E2D&Pid_0005.DeviceDesc = \"M25 Strata\"\r\n"
    "USB\\Vid_5E2D&Pid_0007.DeviceDesc = \"M45 Strata\"\r\n"
    "USB\\Vid_5E2D&Pid_000D.DeviceDesc = \"M3x, M40\\50 G2 Strata\"\r\n"
    "USB\\Vid_5E2D&Pid_000F.DeviceDesc = \"M27 Strata\"\r\n"
    "USB\\Vid_5E2D&Pid_0014.DeviceDesc = \"M15 Strata\"\r\n"
    "\r\n"
    "Generic=\"Generic\"\r\n"
    "USB\\Vid_5E2D&Pid_0003.DeviceDesc = \"slateBook Strata\"  \t\r\n"
    "\r\n"
    "[Brannock]\r\n"
    "%USB\\Vid_5E2D&Pid_0000.DeviceDesc%=USBSTOR_BULK, USB\\Vid_5E2D&Pid_0000\r\n"
    "%USB\\Vid_5E2D&Pid_0003.DeviceDesc%=USBSTOR_BULK, USB\\Vid_5E2D&Pid_0003\r\n"
    "%USB\\Vid_5E2D&Pid_0005.DeviceDesc%=USBSTOR_BULK, USB\\Vid_5E2D&Pid_0005\r\n"
    "%USB\\Vid_5E2D&Pid_0007.DeviceDesc%=USBSTOR_BULK, USB\\Vid_5E2D&Pid_0007\r\n"
    "%USB\\Vid_5E2D&Pid_000D.DeviceDesc%=USBSTOR_BULK, USB\\Vid_5E2D&Pid_000D\r\n"
    "%USB\\Vid_5E2D&Pid_000F.DeviceDesc%=USBSTOR_BULK, USB\\Vid_5E2D&Pid_000F\r\n"
    "%USB\\Vid_5E2D&Pid_0014.DeviceDesc%=USBSTOR_BULK, USB\\Vid_5E2D&Pid_0014\r\n"
    "\r\n";

TEST_F(VendorTableTest, StorageTableOnAStockFile) {
  std::string plain = std::string(kStorageHead) + "usbstor.sys=1\r\n" + kStorageTail;
  std::string gen60 = std::string(kStorageHead) + "%12%\\usbstor.sys=1\r\n" + kStorageTail;
  EXPECT_EQ(patch(VendorTableKind::Storage, false, kStockUsbstor), plain);
  EXPECT_EQ(patch(VendorTableKind::Storage, true, kStockUsbstor), gen60);

  // Patched before: nothing more, except under Gen60 one more "%12%\".
  EXPECT_EQ(patch(VendorTableKind::Storage, false, plain), plain);
  EXPECT_EQ(patch(VendorTableKind::Storage, false, gen60), gen60);
  EXPECT_EQ(patch(VendorTableKind::Storage, true, gen60),
            std::string(kStorageHead) + "%12%\\%12%\\usbstor.sys=1\r\n" + kStorageTail);
}

const char kSyncOnEmpty[] =
    "\r\n"
    "[Manufacturer]\r\n"
    "%Brannock%=Brannock\r\n"
    "\r\n"
    "\r\n"
    "[Brannock]\r\n"
    "%USB\\Vid_5E2D&Pid_0001.DeviceDesc% = Host_Inst, USB\\Vid_5E2D&Pid_0001\r\n"
    "%USB\\Vid_5E2D&Pid_0004.DeviceDesc% = Host_Inst, USB\\Vid_5E2D&Pid_0004\r\n"
    "%USB\\Vid_5E2D&Pid_0006.DeviceDesc% = Host_Inst, USB\\Vid_5E2D&Pid_0006\r\n"
    "%USB\\Vid_5E2D&Pid_0008.DeviceDesc% = Host_Inst, USB\\Vid_5E2D&Pid_0008\r\n"
    "%USB\\Vid_5E2D&Pid_000E.DeviceDesc% = Host_Inst, USB\\Vid_5E2D&Pid_000E\r\n"
    "%USB\\Vid_5E2D&Pid_0010.DeviceDesc% = Host_Inst, USB\\Vid_5E2D&Pid_0010\r\n"
    "\r\n"
    "\r\n"
    "[Strings]\r\n"
    "Brannock = \"Tarvel Brannock\"\r\n"
    "USB\\Vid_5E2D&Pid_0001.DeviceDesc = \"Tarvel Brannock Sync M3x\"\r\n"
    "USB\\Vid_5E2D&Pid_0004.DeviceDesc = \"Tarvel Brannock Sync slateBook\"\r\n"
    "USB\\Vid_5E2D&Pid_0006.DeviceDesc = \"Tarvel Brannock Sync M25\"\r\n"
    "USB\\Vid_5E2D&Pid_0008.DeviceDesc = \"Tarvel Brannock Sync M45\"\r\n"
    "USB\\Vid_5E2D&Pid_000E.DeviceDesc = \"Tarvel Brannock Sync M3x, M45\\50 G2\"\r\n"
    "USB\\Vid_5E2D&Pid_0010.DeviceDesc = \"Tarvel Brannock Sync M27\"\r\n"
    "\r\n";

TEST_F(VendorTableTest, SyncTableOnAnEmptyFile) {
  // "[SourceDisksFiles]" gets no header: one more empty line, or "%12%\".
  EXPECT_EQ(patch(VendorTableKind::Sync, false, ""), std::string(kSyncOnEmpty) + "\r\n");
  EXPECT_EQ(patch(VendorTableKind::Sync, true, ""), std::string(kSyncOnEmpty) + "%12%\\");
}

TEST_F(VendorTableTest, SyncTableOnAStockFileWithAnEmptySourceDisksFilesSection) {
  // The prefix stands on a line of its own instead of swallowing the next
  // header; the manufacturer line already there is left alone.
  std::string stock =
      "[Manufacturer]\r\n%Brannock%=Brannock\r\n[SourceDisksFiles]\r\n[Host_Inst]\r\n"
      "CopyFiles=x\r\n";
  std::string tail = std::string(kSyncOnEmpty).substr(41);
  ASSERT_EQ(tail.substr(0, 12), "\r\n[Brannock]");
  EXPECT_EQ(patch(VendorTableKind::Sync, true, stock),
            "[Manufacturer]\r\n%Brannock%=Brannock\r\n[SourceDisksFiles]\r\n%12%\\\r\n"
            "[Host_Inst]\r\nCopyFiles=x\r\n" +
                tail);
  EXPECT_EQ(patch(VendorTableKind::Sync, false, stock), stock + tail);
}

TEST_F(VendorTableTest, LayoutAsLaidDown) {
  struct Expected {
    VendorTableKind kind;
    uint32_t counts[4];
  } tables[] = {{VendorTableKind::Storage, {8, 8, 8, 1}}, {VendorTableKind::Sync, {7, 7, 7, 1}}};
  const char* names[] = {"[Manufacturer]", "[Brannock]", "[Strings]", "[SourceDisksFiles]"};
  for (const Expected& e : tables) {
    VendorPatchTable vendor(e.kind);
    InfPatchTable t = vendor.table();
    for (int r = 0; r < 4; ++r) {
      EXPECT_STREQ(t[r].name, names[r]);
      EXPECT_EQ(t[r].sectionId, r);
      EXPECT_EQ(t[r].insertAfterLine, -1);
      EXPECT_EQ(t[r].present, r == 3);
      EXPECT_EQ(t[r].lineCount, e.counts[r]);
      for (uint32_t i = 0; i < t[r].lineCount; ++i) {
        // Placeholders are empty and start written; so does "%12%\".
        EXPECT_EQ(t[r].lines[i].written, t[r].lines[i].text[0] == '\0' || r == 3);
        EXPECT_FALSE(t[r].lines[i].prefix);
      }
    }
    EXPECT_EQ(t[4].name, nullptr);
    EXPECT_STREQ(t[3].lines[0].text, "%12%\\");

    vendor.applyGen60Adjustment();
    for (int i = 0; i < 7; ++i) EXPECT_TRUE(t[3].lines[i].prefix);
  }
}

TEST_F(VendorTableTest, EachTableIsItsOwn) {
  VendorPatchTable first(VendorTableKind::Sync);
  VendorPatchTable copy(first);
  copy.applyGen60Adjustment();
  EXPECT_NE(copy.table()[0].lines, first.table()[0].lines);
  EXPECT_FALSE(first.table()[3].lines[0].prefix);
  EXPECT_TRUE(copy.table()[3].lines[0].prefix);
  // A used table does not leak into a new one.
  patch(VendorTableKind::Sync, true, "");
  VendorPatchTable fresh(VendorTableKind::Sync);
  EXPECT_FALSE(fresh.table()[1].present);
  EXPECT_FALSE(fresh.table()[1].lines[0].written);
}

}  // namespace
}  // namespace lw
