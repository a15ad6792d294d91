// linkwright-infpatch: shows what Linkwright does to an INF file, without
// installing anything. Same engine and tables as the wizard.
//
//   linkwright-infpatch --table sync|storage [--gen60] INPUT OUTPUT
//
// Exit code: the patch result (0, 3, 25 or 32); 3 also for wrong arguments.
#include <cstdio>
#include <cstring>

#include "infpatch/inf_patch.h"
#include "infpatch/vendor_tables.h"
#include "tools/infpatch_platform.h"

namespace {

constexpr const char* kUsage =
    "usage: linkwright-infpatch --table sync|storage [--gen60] INPUT OUTPUT\n";

struct Arguments {
  lw::VendorTableKind kind = lw::VendorTableKind::Sync;
  bool tableGiven = false;
  bool gen60 = false;
  const char* input = nullptr;
  const char* output = nullptr;
};

bool parseArguments(int argc, char** argv, Arguments* args) {
  int i = 1;
  for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
    if (std::strcmp(argv[i], "--gen60") == 0 && !args->gen60) {
      args->gen60 = true;
    } else if (std::strcmp(argv[i], "--table") == 0 && !args->tableGiven && i + 1 < argc) {
      const char* name = argv[++i];
      if (std::strcmp(name, "sync") == 0) {
        args->kind = lw::VendorTableKind::Sync;
      } else if (std::strcmp(name, "storage") == 0) {
        args->kind = lw::VendorTableKind::Storage;
      } else {
        return false;
      }
      args->tableGiven = true;
    } else {
      return false;
    }
  }
  if (!args->tableGiven || argc - i != 2) return false;
  args->input = argv[i];
  args->output = argv[i + 1];
  return true;
}

const char* describe(lw::PatchResult result) {
  switch (result) {
    case lw::PatchResult::PatchBadArgs:
      return "bad arguments";
    case lw::PatchResult::PatchIoError:
      return "the input or the output could not be opened or written";
    case lw::PatchResult::PatchReadError:
      return "the input could not be read as an INF";
    default:
      return "failed";
  }
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (!parseArguments(argc, argv, &args)) {
    std::fputs(kUsage, stderr);
    return static_cast<int>(lw::PatchResult::PatchBadArgs);
  }
  // Writing the output over the input would destroy the input before the
  // copy reads it.
  if (std::strcmp(args.input, args.output) == 0) {
    std::fputs("linkwright-infpatch: INPUT and OUTPUT must differ\n", stderr);
    return static_cast<int>(lw::PatchResult::PatchBadArgs);
  }
  lw::installToolPlatform();
  lw::VendorPatchTable table(args.kind);
  if (args.gen60) table.applyGen60Adjustment();
  lw::PatchResult result = lw::patchInfFile(table.table(), args.output, args.input);
  if (result != lw::PatchResult::PatchOk) {
    std::fprintf(stderr, "linkwright-infpatch: %s (%d)\n", describe(result),
                 static_cast<int>(result));
  }
  // The tool's exit code is the engine's result.
  return static_cast<int>(result);
}
