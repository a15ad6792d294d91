#include "removal/own_inf.h"

#include "tests/support/updater_test_support.h"

namespace lw {
namespace {

using OwnInfTest = UpdaterTest;

std::string utf16Of(const std::string& text) {
  std::string wide = "\xFF\xFE";
  for (char c : text) wide += std::string{c, '\0'};
  return wide;
}

TEST_F(OwnInfTest, OnlyWhatTheTablesInsertedCounts) {
  const std::string storage = enginePatched(VendorTableKind::Storage, false, kStockLikeInf);
  const std::string sync = enginePatched(VendorTableKind::Sync, true, kStockLikeInf);
  EXPECT_EQ(ownerOfInf(storage, false), InfOwner::Storage);
  EXPECT_EQ(ownerOfInf(utf16Of(sync), false), InfOwner::Sync);
  // Signed packages name their catalog; without it the file is not ours.
  EXPECT_EQ(ownerOfInf(storage, true), InfOwner::Other);
  EXPECT_EQ(ownerOfInf(storage + "CatalogFile=linkwright_usbstor.cat\r\n", true),
            InfOwner::Storage);
  EXPECT_EQ(ownerOfInf(sync + "CatalogFile=linkwright_winusb.cat\r\n", true), InfOwner::Sync);
  EXPECT_EQ(ownerOfInf(sync + "CatalogFile=linkwright_usbstor.cat\r\n", true), InfOwner::Other);

  // Another vendor's INF for the same ids, and ours with one line changed.
  std::string foreign = storage;
  const std::string ours = "Brannock=\"Tarvel Brannock Inc.\"";
  foreign.replace(foreign.find(ours), ours.size(), "Brannock=\"Someone Else\"");
  EXPECT_EQ(ownerOfInf(foreign, false), InfOwner::Other);
  EXPECT_EQ(ownerOfInf(kStockLikeInf, false), InfOwner::Other);
  EXPECT_EQ(ownerOfInf("", false), InfOwner::Other);
}

}  // namespace
}  // namespace lw
