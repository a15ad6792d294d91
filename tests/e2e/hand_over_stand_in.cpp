// Stands in for Linkwright64.exe in the hand-over scenario: writes its
// current directory and command line to handed-over.txt in the current
// directory and exits with 42, a code the real program never gives.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char directory[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof directory, directory);
  FILE* record = std::fopen("handed-over.txt", "w");
  if (!record) return 1;
  std::fprintf(record, "%s\n%s\n", directory, GetCommandLineA());
  std::fclose(record);
  return 42;
}
