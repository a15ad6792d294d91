// Writes a stock-like INF of about the given size: the usual sections of a
// class-driver INF, with the models, install and "[Strings]" sections grown
// until the size is reached. CR LF line ends, as Windows ships them.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: gen_stock_inf BYTES OUTPUT\n", stderr);
    return 2;
  }
  size_t target = std::strtoull(argv[1], nullptr, 10);
  FILE* out = std::fopen(argv[2], "wb");
  if (!out) return 1;
  std::string head =
      "; usbstor.inf -- stock-like file for benchmarks\r\n"
      "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=USB\r\n"
      "ClassGUID={36FC9E60-C465-11CF-8056-444553540000}\r\nProvider=%Msft%\r\n"
      "DriverVer=06/21/2006,10.0.19041.1\r\n\r\n"
      "[SourceDisksNames]\r\n1=%DiskName%,,,\r\n\r\n"
      "[SourceDisksFiles]\r\nusbstor.sys=1\r\n\r\n"
      "[Manufacturer]\r\n%Generic.Mfg%=Generic.Section,NTamd64\r\n\r\n";
  size_t written = std::fwrite(head.data(), 1, head.size(), out);
  // Thirds: models, install sections, strings, as large stock files are.
  size_t third = target > written ? (target - written) / 3 : 0;
  char line[256];
  std::fputs("[Generic.Section.NTamd64]\r\n", out);
  for (size_t n = 0, i = 0; n < third; ++i) {
    int len = std::snprintf(line, sizeof line,
                            "%%USB\\VID_%04zX&PID_%04zX.DeviceDesc%%=USBSTOR_BULK, "
                            "USB\\VID_%04zX&PID_%04zX\r\n",
                            i / 65536 % 65536, i % 65536, i / 65536 % 65536, i % 65536);
    std::fwrite(line, 1, len, out);
    n += len;
  }
  std::fputs("\r\n[USBSTOR_BULK.NT]\r\n", out);
  for (size_t n = 0, i = 0; n < third; ++i) {
    int len = std::snprintf(line, sizeof line,
                            "HKR,,Setting%zu,0x00010001,%zu   ; value %zu of the install\r\n", i,
                            i * 7, i);
    std::fwrite(line, 1, len, out);
    n += len;
  }
  std::fputs(
      "\r\n[Strings]\r\nMsft=\"Microsoft\"\r\nGeneric.Mfg=\"Compatible USB storage device\"\r\n",
      out);
  for (size_t n = 0, i = 0; n < third; ++i) {
    int len =
        std::snprintf(line, sizeof line,
                      "USB\\VID_%04zX&PID_%04zX.DeviceDesc = \"USB Mass Storage Device %zu\"\r\n",
                      i / 65536 % 65536, i % 65536, i);
    std::fwrite(line, 1, len, out);
    n += len;
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
