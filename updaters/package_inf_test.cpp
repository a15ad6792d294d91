#include "updaters/package_inf.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

TEST(PackageInfTest, NamesItsCatalogOnceAndItsFilesInTheFolder) {
  const std::string patched =
      "[version]\r\n"
      "Signature=\"$Windows NT$\"\r\n"
      "CatalogFile=stock.cat\r\n"
      " CatalogFile.NTamd64 = stock64.cat ; decorated\r\n"
      "LayoutFile=layout.inf\r\n"
      "\r\n"
      "[SourceDisksFiles]\r\n"
      "%12%\\wceusbsh.sys=1\r\n"
      "; a comment\r\n"
      "\r\n"
      "[SourceDisksFiles.amd64]\r\n"
      "\"WCEUSBSH.SYS\" = 1\r\n"
      "extra.dll=1,,\r\n";
  PackageInf inf;
  ASSERT_EQ(preparePackageInf(patched, "linkwright_wceusbsh.cat", &inf), PackageInfResult::Ok);
  EXPECT_EQ(inf.text,
            "[version]\r\n"
            "CatalogFile=linkwright_wceusbsh.cat\r\n"
            "Signature=\"$Windows NT$\"\r\n"
            "\r\n"
            "[SourceDisksFiles]\r\n"
            "wceusbsh.sys=1\r\n"
            "; a comment\r\n"
            "\r\n"
            "[SourceDisksFiles.amd64]\r\n"
            "\"WCEUSBSH.SYS\" = 1\r\n"
            "extra.dll=1,,\r\n");
  EXPECT_EQ(inf.files, (std::vector<std::string>{"wceusbsh.sys", "extra.dll"}));
}

TEST(PackageInfTest, RefusesWhatCannotBeAPackage) {
  PackageInf inf;
  EXPECT_EQ(preparePackageInf("[Strings]\r\nA=\"b\"\r\n", "x.cat", &inf),
            PackageInfResult::NoVersionSection);
  EXPECT_EQ(preparePackageInf("[Version]\r\n[SourceDisksFiles]\r\nsub\\a.sys=1\r\n", "x.cat", &inf),
            PackageInfResult::SourceFileInFolder);
  EXPECT_EQ(
      preparePackageInf("[Version]\r\n[SourceDisksFiles]\r\n%13%\\a.sys=1\r\n", "x.cat", &inf),
      PackageInfResult::SourceFileInFolder);
  EXPECT_TRUE(inf.text.empty());
}

}  // namespace
}  // namespace lw
