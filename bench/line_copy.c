/* The yardstick: a plain fgets/fputs copy of a file, line by line. */
#include <stdio.h>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  FILE* in = fopen(argv[1], "r");
  FILE* out = fopen(argv[2], "w");
  if (!in || !out) return 1;
  char line[1024];
  while (fgets(line, sizeof line, in)) {
    if (fputs(line, out) < 0) return 1;
  }
  fclose(in);
  return fclose(out) == 0 ? 0 : 1;
}
