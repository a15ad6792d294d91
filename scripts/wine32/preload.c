/* Loaded into every 32-bit process of the private Wine tree through the
 * tree's /etc/ld.so.preload, before Wine's loader starts ntdll.
 *
 * Wine reserves its address areas before anything else maps there. Debian
 * ships no wine-preloader, so ntdll does it itself with MAP_FIXED_NOREPLACE,
 * which qemu-user 7.2 ignores: the reservation then degrades into some
 * 65,000 mmap/munmap pairs, close to a minute of CPU for each process. This
 * does the preloader's part instead: each free stretch of the areas is
 * reserved with one mmap, and the list is handed to ntdll through the
 * loader's wine_main_preload_info.
 *
 * Built with gcc -m32 -nostdlib (the host has no 32-bit C library), so it
 * makes its few system calls itself. When anything looks wrong it reserves
 * nothing: ntdll's slow path is still correct. */

struct preload_range {
  unsigned long addr;
  unsigned long size;
};

/* Exported by Wine's loader; weak, so that any other program is left alone. */
extern struct preload_range *wine_main_preload_info __attribute__((weak));

enum { SYS_READ = 3, SYS_OPEN = 5, SYS_CLOSE = 6, SYS_OLD_MMAP = 90 };
enum { PROT_NONE = 0, MAP_PRIVATE = 0x02, MAP_FIXED = 0x10, MAP_ANONYMOUS = 0x20 };
enum { MAP_NORESERVE = 0x4000, GRANULE = 0x10000 };
enum { MAX_MAPPINGS = 512, MAX_RANGES = 64 };

static long sys3(long number, long a, long b, long c) {
  long result;
  __asm__ volatile("int $0x80" : "=a"(result) : "a"(number), "b"(a), "c"(b), "d"(c) : "memory");
  return result;
}

static char maps[65536];
static unsigned long used_start[MAX_MAPPINGS], used_end[MAX_MAPPINGS];
static int used_count;
static struct preload_range ranges[MAX_RANGES];
static int range_count;

static unsigned long parse_hex(const char **p) {
  unsigned long value = 0;
  for (;; ++*p) {
    char c = **p;
    if (c >= '0' && c <= '9') {
      value = value * 16 + (unsigned long)(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      value = value * 16 + (unsigned long)(c - 'a' + 10);
    } else {
      return value;
    }
  }
}

/* The process's mappings, sorted by start; 0 when they cannot all be read. */
static int read_mappings(void) {
  long fd = sys3(SYS_OPEN, (long)"/proc/self/maps", 0, 0), length = 0, got;
  if (fd < 0) return 0;
  while (length < (long)sizeof maps &&
         (got = sys3(SYS_READ, fd, (long)(maps + length), (long)sizeof maps - length)) > 0) {
    length += got;
  }
  sys3(SYS_CLOSE, fd, 0, 0);
  /* A full buffer may have cut the list short: whatever was left out would
   * look free and be mapped over. */
  if (length <= 0 || length == (long)sizeof maps || maps[length - 1] != '\n') return 0;
  for (const char *p = maps; p < maps + length; ++p) {
    if (used_count == MAX_MAPPINGS) return 0;
    unsigned long start = parse_hex(&p);
    if (*p++ != '-') return 0;
    unsigned long end = parse_hex(&p);
    int i = used_count++;
    for (; i > 0 && used_start[i - 1] > start; --i) {
      used_start[i] = used_start[i - 1];
      used_end[i] = used_end[i - 1];
    }
    used_start[i] = start;
    used_end[i] = end;
    while (*p != '\n') ++p;
  }
  return 1;
}

/* Reserves the free stretches of [from, to), each rounded inwards to Wine's
 * 64 KiB granularity. */
static void reserve_free(unsigned long from, unsigned long to) {
  unsigned long cursor = from;
  for (int i = 0; i <= used_count && cursor < to; ++i) {
    unsigned long busy_start = i < used_count ? used_start[i] : to;
    unsigned long busy_end = i < used_count ? used_end[i] : to;
    if (busy_end <= cursor) continue;
    unsigned long start = (cursor + GRANULE - 1) & ~(unsigned long)(GRANULE - 1);
    unsigned long end = (busy_start < to ? busy_start : to) & ~(unsigned long)(GRANULE - 1);
    if (end > start && range_count < MAX_RANGES - 1) {
      unsigned long args[6] = {start,
                               end - start,
                               PROT_NONE,
                               MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED | MAP_NORESERVE,
                               (unsigned long)-1,
                               0};
      if ((unsigned long)sys3(SYS_OLD_MMAP, (long)args, 0, 0) == start) {
        ranges[range_count].addr = start;
        ranges[range_count].size = end - start;
        ++range_count;
      }
    }
    cursor = busy_end;
  }
}

__attribute__((constructor)) static void reserve_wine_areas(void) {
  if (!&wine_main_preload_info || wine_main_preload_info || !read_mappings()) return;
  /* The preloader's areas of a 32-bit process: low memory, and the top-down
   * allocations with the shared user data. 0x68000000-0x7f000000 stays free
   * for the Unix libraries. */
  reserve_free(0x00110000, 0x68000000);
  reserve_free(0x7f000000, 0x82000000);
  if (range_count) wine_main_preload_info = ranges; /* ranges[range_count] is the end mark */
}
