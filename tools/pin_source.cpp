// lw-pin-source PROGRAM OUTPUT: writes OUTPUT, the C++ source of
// kProgram64Pin, the SHA-256 Authenticode image hash of PROGRAM, the one
// 64-bit program that the 32-bit one hands a run to. The hash leaves out
// the checksum and the signature, so a release signed later keeps its pin.
// Built for the build machine, run by the Windows builds.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "signing/pe_image_hash.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kFailed = 1;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: lw-pin-source PROGRAM OUTPUT\n");
    return kUsageError;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const lw::Bytes image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  lw::Bytes hash;
  if (!lw::peImageHash(image.data(), image.size(), lw::HashAlgorithm::Sha256, &hash)) {
    std::fprintf(stderr, "lw-pin-source: %s is not a program that can be read (build it first)\n",
                 argv[1]);
    return kFailed;
  }
  FILE* out = std::fopen(argv[2], "w");
  if (!out) {
    std::perror(argv[2]);
    return kFailed;
  }
  std::fprintf(out,
               "// Written by the build: the image hash of the program handed over to.\n"
               "#include \"app/hand_over.h\"\n\n"
               "const lw::Sha256Digest lw::kProgram64Pin = {{");
  for (size_t i = 0; i < hash.size(); ++i) std::fprintf(out, "%s0x%02x", i ? ", " : "", hash[i]);
  std::fprintf(out, "}};\n");
  return std::fclose(out) == 0 ? 0 : kFailed;
}
