// What Linkwright leaves on a PC, found and taken out again: the OEM INF
// packages it installed, its driver signing certificate in the local
// machine's Root and TrustedPublisher stores, and the generic-device values
// under UsbFlags. The driver backups, the sync program's USB setting and the
// log stay.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace lw {

struct FoundCertificate {
  CertStore store;
  Bytes der;
  std::string thumbprint;  // hex, as Windows shows it
};

struct Leftovers {
  std::vector<std::string> infs;  // full paths in the Windows INF folder
  std::vector<FoundCertificate> certificates;
  std::vector<std::string> flagValues;  // names under UsbFlags
  // False when the INF folder could not be listed: a package may stay.
  bool infFolderListed = true;
  // False when anything could not be looked for (logged): something may
  // stay that was not found.
  bool searchComplete = true;
  bool empty() const { return infs.empty() && certificates.empty() && flagValues.empty(); }
};

// Looks for each, logging what it finds (or that it found nothing). An
// unreadable file of the INF folder is logged and not counted; a folder,
// store or key that cannot be read is logged and leaves the search
// incomplete.
Leftovers findLeftovers();

enum class RemovalResult {
  Removed,  // everything found is gone
  Failed,   // something is still there (logged)
};

// Removes what was found and checks that each is really gone: a removal
// reported as done but that left its file, value or certificate behind is
// a failure, and so is an incomplete search. The certificates go only once
// every package is gone, since a package they signed may still be
// installed.
RemovalResult removeLeftovers(const Leftovers& found);

}  // namespace lw
