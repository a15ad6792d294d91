// The vendor's two patch tables, laid down afresh for each owner so that
// every patch run starts from the vendor's contents.
#pragma once

#include "infpatch/inf_patch.h"

namespace lw {

enum class VendorTableKind { Sync, Storage };

class VendorPatchTable {
 public:
  explicit VendorPatchTable(VendorTableKind kind);
  // A copy points at its own line records.
  VendorPatchTable(const VendorPatchTable& other);
  VendorPatchTable& operator=(const VendorPatchTable& other);
  // Under ActiveSync 6 the "[SourceDisksFiles]" records become prefix lines.
  void applyGen60Adjustment();
  InfPatchTable table() { return rows_; }

  static constexpr int kRowCount = 4;
  static constexpr int kMaxLines = 8;  // the largest capacity of a row

 private:
  InfSection rows_[kRowCount + 1];
  InfLine lines_[kRowCount][kMaxLines];
};

}  // namespace lw
