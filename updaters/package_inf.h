// What a patched INF needs to be a driver package of its own on Windows
// Vista and later: a CatalogFile line naming the catalog beside it, and
// source files named as files of the package folder.
#pragma once

#include <string>
#include <vector>

namespace lw {

enum class PackageInfResult {
  Ok,
  NoVersionSection,    // nowhere to name the catalog
  SourceFileInFolder,  // a source file in a subfolder or elsewhere: not in the package
};

struct PackageInf {
  std::string text;                // the INF as it is to be installed
  std::vector<std::string> files;  // the source files it names, each once, in order
};

// From the engine's output: every CatalogFile line of [Version], decorated
// ones included, gives way to one "CatalogFile=<catalogName>" right after
// the section's header, and a LayoutFile line goes; a "%12%\" in front of a [SourceDisksFiles]
// entry is dropped, since a staged package's files come from its own folder. The files named in
// [SourceDisksFiles] and its decorated forms are listed.
PackageInfResult preparePackageInf(const std::string& patched, const std::string& catalogName,
                                   PackageInf* out);

}  // namespace lw
