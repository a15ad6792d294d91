#include "removal/own_inf.h"

#include <set>

#include "infpatch/vendor_tables.h"
#include "updaters/driver_paths.h"
#include "updaters/package_build.h"

namespace lw {

namespace {

constexpr char kUtf16Mark[] = "\xFF\xFE";
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr unsigned char kFirstNonAscii = 0x80;

// The text's lines, each without its line end. The table's lines are ASCII:
// any other character of a UTF-16 file becomes "?", which none contains.
std::set<std::string> linesOf(const std::string& bytes) {
  std::string text;
  if (bytes.compare(0, 2, kUtf16Mark) == 0) {
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const bool ascii =
          bytes[i + 1] == '\0' && static_cast<unsigned char>(bytes[i]) < kFirstNonAscii;
      text += ascii ? bytes[i] : '?';
    }
  } else {
    text = bytes.compare(0, 3, kUtf8Mark) == 0 ? bytes.substr(3) : bytes;
  }
  std::set<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t last = end;
    if (last > start && text[last - 1] == '\r') --last;
    lines.insert(text.substr(start, last - start));
    start = end + 1;
  }
  return lines;
}

// Every line the table inserts: those it does not count as written from the
// start (placeholders and prefix-only lines are).
bool carriesTable(const std::set<std::string>& lines, VendorTableKind kind) {
  VendorPatchTable vendor(kind);
  for (InfSection* row = vendor.table(); row->name; ++row) {
    for (uint32_t i = 0; i < row->lineCount; ++i) {
      if (!row->lines[i].written && !lines.count(row->lines[i].text)) return false;
    }
  }
  return true;
}

bool namesCatalog(const std::set<std::string>& lines, const char* driverName) {
  return lines.count("CatalogFile=" + packageCatalogName(driverName)) > 0;
}

}  // namespace

InfOwner ownerOfInf(const std::string& bytes, bool signedPackages) {
  const std::set<std::string> lines = linesOf(bytes);
  if (carriesTable(lines, VendorTableKind::Storage)) {
    return !signedPackages || namesCatalog(lines, kStorageDriverName) ? InfOwner::Storage
                                                                      : InfOwner::Other;
  }
  if (carriesTable(lines, VendorTableKind::Sync)) {
    return !signedPackages || namesCatalog(lines, kSyncDriverName) ||
                   namesCatalog(lines, kGen60SyncDriverName)
               ? InfOwner::Sync
               : InfOwner::Other;
  }
  return InfOwner::Other;
}

}  // namespace lw
