// What Linkwright adds to the stock usbstor.inf and wceusbsh.inf: the
// manufacturer entry, the "[Brannock]" models section binding the vendor's
// product ids (vendor id 5E2D) to the stock install sections, and their
// display strings.
#include "infpatch/vendor_tables.h"

#include <cstring>

namespace lw {

namespace {

struct RowContents {
  const char* name;
  int32_t sectionId;
  bool present;
  int capacity;        // records in the row's array; placeholders after the texts
  uint32_t lineCount;  // records in use, placeholders included
  const char* texts[VendorPatchTable::kMaxLines];  // null: a placeholder
};

// "[SourceDisksFiles]" is never given a header: its one line, "%12%\" (the
// system drivers directory), only ever serves as a prefix under ActiveSync 6.
constexpr int kSourceDisksFilesRow = 3;
constexpr int kSourceDisksFilesCapacity = 7;
constexpr const char* kSystemDriversDir = R"(%12%\)";

const RowContents kStorageRows[] = {
    {"[Manufacturer]", 0, false, 8, 8, {"%Brannock%=Brannock"}},
    {"[Brannock]",
     1,
     false,
     8,
     8,
     {R"(%USB\Vid_5E2D&Pid_0000.DeviceDesc%=USBSTOR_BULK, USB\Vid_5E2D&Pid_0000)",
      R"(%USB\Vid_5E2D&Pid_0003.DeviceDesc%=USBSTOR_BULK, USB\Vid_5E2D&Pid_0003)",
      R"(%USB\Vid_5E2D&Pid_0005.DeviceDesc%=USBSTOR_BULK, USB\Vid_5E2D&Pid_0005)",
      R"(%USB\Vid_5E2D&Pid_0007.DeviceDesc%=USBSTOR_BULK, USB\Vid_5E2D&Pid_0007)",
      R"(%USB\Vid_5E2D&Pid_000D.DeviceDesc%=USBSTOR_BULK, USB\Vid_5E2D&Pid_000D)",
      R"(%USB\Vid_5E2D&Pid_000F.DeviceDesc%=USBSTOR_BULK, USB\Vid_5E2D&Pid_000F)",
      R"(%USB\Vid_5E2D&Pid_0014.DeviceDesc%=USBSTOR_BULK, USB\Vid_5E2D&Pid_0014)"}},
    {"[Strings]",
     StringsSection,
     false,
     8,
     8,
     {R"(Brannock="Tarvel Brannock Inc.")", R"(USB\Vid_5E2D&Pid_0000.DeviceDesc = "M3x Strata")",
      R"(USB\Vid_5E2D&Pid_0003.DeviceDesc = "slateBook Strata")",
      R"(USB\Vid_5E2D&Pid_0005.DeviceDesc = "M25 Strata")",
      R"(USB\Vid_5E2D&Pid_0007.DeviceDesc = "M45 Strata")",
      R"(USB\Vid_5E2D&Pid_000D.DeviceDesc = "M3x, M40\50 G2 Strata")",
      R"(USB\Vid_5E2D&Pid_000F.DeviceDesc = "M27 Strata")",
      R"(USB\Vid_5E2D&Pid_0014.DeviceDesc = "M15 Strata")"}},
    {"[SourceDisksFiles]", 3, true, kSourceDisksFilesCapacity, 1, {kSystemDriversDir}},
};

const RowContents kSyncRows[] = {
    {"[Manufacturer]", 0, false, 7, 7, {"%Brannock%=Brannock"}},
    {"[Brannock]",
     1,
     false,
     7,
     7,
     {R"(%USB\Vid_5E2D&Pid_0001.DeviceDesc% = Host_Inst, USB\Vid_5E2D&Pid_0001)",
      R"(%USB\Vid_5E2D&Pid_0004.DeviceDesc% = Host_Inst, USB\Vid_5E2D&Pid_0004)",
      R"(%USB\Vid_5E2D&Pid_0006.DeviceDesc% = Host_Inst, USB\Vid_5E2D&Pid_0006)",
      R"(%USB\Vid_5E2D&Pid_0008.DeviceDesc% = Host_Inst, USB\Vid_5E2D&Pid_0008)",
      R"(%USB\Vid_5E2D&Pid_000E.DeviceDesc% = Host_Inst, USB\Vid_5E2D&Pid_000E)",
      R"(%USB\Vid_5E2D&Pid_0010.DeviceDesc% = Host_Inst, USB\Vid_5E2D&Pid_0010)"}},
    {"[Strings]",
     StringsSection,
     false,
     7,
     7,
     {R"(Brannock = "Tarvel Brannock")",
      R"(USB\Vid_5E2D&Pid_0001.DeviceDesc = "Tarvel Brannock Sync M3x")",
      R"(USB\Vid_5E2D&Pid_0004.DeviceDesc = "Tarvel Brannock Sync slateBook")",
      R"(USB\Vid_5E2D&Pid_0006.DeviceDesc = "Tarvel Brannock Sync M25")",
      R"(USB\Vid_5E2D&Pid_0008.DeviceDesc = "Tarvel Brannock Sync M45")",
      R"(USB\Vid_5E2D&Pid_000E.DeviceDesc = "Tarvel Brannock Sync M3x, M45\50 G2")",
      R"(USB\Vid_5E2D&Pid_0010.DeviceDesc = "Tarvel Brannock Sync M27")"}},
    {"[SourceDisksFiles]", 3, true, kSourceDisksFilesCapacity, 1, {kSystemDriversDir}},
};

}  // namespace

VendorPatchTable::VendorPatchTable(VendorTableKind kind) {
  const RowContents* contents = kind == VendorTableKind::Storage ? kStorageRows : kSyncRows;
  for (int r = 0; r < kRowCount; ++r) {
    const RowContents& row = contents[r];
    for (int i = 0; i < kMaxLines; ++i) {
      InfLine& line = lines_[r][i];
      const char* text = i < row.capacity ? row.texts[i] : nullptr;
      std::memset(&line, 0, sizeof line);
      if (text) std::strncpy(line.text, text, kInfLineTextSize - 1);
      line.written = text == nullptr;
    }
    // The "%12%\" line is counted but starts written: it is never inserted
    // by the normal rule.
    if (r == kSourceDisksFilesRow) lines_[r][0].written = true;
    rows_[r] = InfSection{row.name, -1, row.present, row.sectionId, lines_[r], row.lineCount};
  }
  rows_[kRowCount] = InfSection{nullptr, -1, false, NoSection, nullptr, 0};
}

VendorPatchTable::VendorPatchTable(const VendorPatchTable& other) { *this = other; }

VendorPatchTable& VendorPatchTable::operator=(const VendorPatchTable& other) {
  std::memcpy(lines_, other.lines_, sizeof lines_);
  for (int r = 0; r <= kRowCount; ++r) {
    rows_[r] = other.rows_[r];
    // Each copy points at its own records.
    if (r < kRowCount) rows_[r].lines = lines_[r];
  }
  return *this;
}

void VendorPatchTable::applyGen60Adjustment() {
  for (int i = 0; i < kSourceDisksFilesCapacity; ++i) {
    lines_[kSourceDisksFilesRow][i].prefix = true;
  }
}

}  // namespace lw
