// The end-to-end test driver: a console program run by Wine in the same
// prefix and display as Linkwright.exe. Each step finds a dialog, reads or
// changes it, and ends with 0 on success and 1 when the window or control is
// not there (or a wait timed out). A step is one run of the driver, or one
// line given to "serve".
//
// A dialog is named by its caption and a control it must contain, because the
// pages share their caption: "Tarvel Brannock Linkwright" with 1009 is the
// Welcome page, with 3001 the finish page. The control may be written
// ID~PREFIX to ask for a child with that id whose text starts with PREFIX
// (static texts all have id 65535). There is no window manager on the test
// display, so buttons are pressed and keys given by posting messages.
//
//   wait    CAPTION CTRL [MS]        the dialog appears (default 15000 ms)
//   gone    CAPTION CTRL [MS]        the dialog is no longer there
//   exists  CAPTION CTRL             is it there now (exit code only)
//   text    CAPTION CTRL ID          print the text of control ID, C-escaped
//   set-text CAPTION CTRL ID TEXT    replace the text of control ID
//   checked CAPTION CTRL ID          print the check state of button ID
//   check   CAPTION CTRL ID 0|1      set the check state of button ID
//   click   CAPTION CTRL ID          post BM_CLICK to button ID
//   shown   CAPTION CTRL ID          print "visible enabled" of control ID
//   post    CAPTION CTRL WHAT        WHAT: cancel, ok (WM_COMMAND IDCANCEL or
//                                    IDOK), close (WM_SYSCOMMAND SC_CLOSE),
//                                    escape, enter, altf4 (posted keys)
//   answer  CAPTION BUTTON [MS]      wait for a message box with that caption
//                                    and press its button (1 OK, 6 Yes, 7 No)
//   state   CAPTION CTRL             print "visible enabled" as 0/1 pairs
//   rect    CAPTION CTRL             print the window rectangle: x y w h
//   move    CAPTION CTRL X Y         move the window (to uncover another)
//   wait-class CLASS [MS]            a top-level window of CLASS appears
//   title-class CLASS                print its title, C-escaped
//   close-class CLASS [MS]           post WM_CLOSE to each and wait until gone
//   list                             print every top-level window
//   export-cert STORE SHA1 FILE      write the local machine's certificate
//                                    with that thumbprint (hex) to FILE, DER
//   set-sz ROOT\KEY NAME DATA        write a REG_SZ value (NAME "" for the
//                                    key's default); ROOT HKEY_CLASSES_ROOT,
//                                    HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE
//   hold    FILE                     open FILE for writing, as a program
//                                    still writing it would (others may
//                                    read and write), until the driver ends
//   serve                            play steps read from stdin, one per line,
//                                    arguments separated by tabs, until the
//                                    line "quit"; after each step its output,
//                                    the byte 0x1E and its exit code on a
//                                    line. Under the emulated 32-bit Wine
//                                    every process costs seconds to start:
//                                    one driver plays a scenario.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDefaultWaitMs = 15000;
constexpr DWORD kPollMs = 50;

struct Selector {
  std::string caption;
  int controlId = 0;
  bool hasPrefix = false;
  std::string textPrefix;
};

std::string windowText(HWND hwnd) {
  // WM_GETTEXT, not GetWindowText: the latter does not ask windows of
  // another process for their text.
  LRESULT length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  LRESULT got =
      SendMessageA(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  if (got < 0) got = 0;
  return std::string(buffer.data(), static_cast<size_t>(got));
}

std::string className(HWND hwnd) {
  char name[256] = "";
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

bool parseInt(const char* text, int* value) {
  char* end = nullptr;
  long parsed = std::strtol(text, &end, 0);
  if (end == text || *end != '\0') return false;
  *value = static_cast<int>(parsed);
  return true;
}

bool parseSelector(const char* caption, const char* control, Selector* out) {
  out->caption = caption;
  std::string idText = control;
  size_t tilde = idText.find('~');
  if (tilde != std::string::npos) {
    out->hasPrefix = true;
    out->textPrefix = idText.substr(tilde + 1);
    idText.resize(tilde);
  }
  if (!parseInt(idText.c_str(), &out->controlId)) {
    std::fprintf(stderr, "driver: bad control id '%s'\n", control);
    return false;
  }
  return true;
}

struct ChildSearch {
  int id;
  const std::string* prefix;
  HWND found;
};

BOOL CALLBACK matchChild(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  if (GetDlgCtrlID(child) != search->id) return TRUE;
  if (search->prefix && windowText(child).compare(0, search->prefix->size(), *search->prefix) != 0)
    return TRUE;
  search->found = child;
  return FALSE;
}

HWND findChild(HWND dialog, int id, const std::string* prefix) {
  ChildSearch search{id, prefix, nullptr};
  EnumChildWindows(dialog, matchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct DialogSearch {
  const Selector* selector;
  HWND found;
};

BOOL CALLBACK matchDialog(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  const Selector& sel = *search->selector;
  if (!IsWindowVisible(hwnd) || className(hwnd) != "#32770") return TRUE;
  if (windowText(hwnd) != sel.caption) return TRUE;
  if (sel.controlId != 0 &&
      !findChild(hwnd, sel.controlId, sel.hasPrefix ? &sel.textPrefix : nullptr))
    return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND findDialog(const Selector& selector) {
  DialogSearch search{&selector, nullptr};
  EnumWindows(matchDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string escaped(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (c < 0x20) {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\x%02x", c);
          out += hex;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

FILE* listTo = stdout;

BOOL CALLBACK printChild(HWND child, LPARAM) {
  std::fprintf(listTo, "    id %d class %s text \"%s\"\n", GetDlgCtrlID(child),
               className(child).c_str(), escaped(windowText(child).substr(0, 60)).c_str());
  return TRUE;
}

BOOL CALLBACK printWindow(HWND hwnd, LPARAM) {
  if (!IsWindowVisible(hwnd)) return TRUE;
  std::fprintf(listTo, "%p class %s caption \"%s\"%s\n", static_cast<void*>(hwnd),
               className(hwnd).c_str(), windowText(hwnd).c_str(),
               IsWindowEnabled(hwnd) ? "" : " (disabled)");
  EnumChildWindows(hwnd, printChild, 0);
  return TRUE;
}

void listWindows(FILE* to) {
  listTo = to;
  if (to == stderr) std::fprintf(stderr, "driver: windows on the desktop now:\n");
  EnumWindows(printWindow, 0);
}

HWND waitDialog(const Selector& selector, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND hwnd = findDialog(selector);
    if (hwnd) return hwnd;
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(kPollMs);
  }
}

int fail(const char* what, const Selector* selector) {
  if (selector)
    std::fprintf(stderr, "driver: %s: dialog \"%s\" with control %d%s%s\n", what,
                 selector->caption.c_str(), selector->controlId, selector->hasPrefix ? "~" : "",
                 selector->textPrefix.c_str());
  else
    std::fprintf(stderr, "driver: %s\n", what);
  listWindows(stderr);
  return 1;
}

// Every wait is stretched by LW_DRIVER_WAIT_SCALE (1 unless set): under the
// emulated 32-bit Wine a program's first window takes 5 to 20 s.
DWORD waitScale() {
  char text[8];
  DWORD length = GetEnvironmentVariableA("LW_DRIVER_WAIT_SCALE", text, sizeof text);
  int scale = 0;
  if (length == 0 || length >= sizeof text || !parseInt(text, &scale) || scale < 1) return 1;
  return static_cast<DWORD>(scale);
}

DWORD timeoutArg(int argc, char** argv, int index) {
  int value = 0;
  if (index < argc && parseInt(argv[index], &value) && value >= 0)
    return static_cast<DWORD>(value) * waitScale();
  return kDefaultWaitMs * waitScale();
}

// Posts what a user would do to close or confirm a dialog.
bool postAction(HWND dialog, const std::string& what) {
  if (what == "cancel")
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  if (what == "ok") return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  if (what == "close") return PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  if (what == "escape") {
    return PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 1) &&
           PostMessageA(dialog, WM_KEYUP, VK_ESCAPE, 0xC0000001);
  }
  if (what == "enter") {
    return PostMessageA(dialog, WM_KEYDOWN, VK_RETURN, 1) &&
           PostMessageA(dialog, WM_KEYUP, VK_RETURN, 0xC0000001);
  }
  if (what == "altf4") {
    // Bit 29 of lParam: the Alt key is down.
    return PostMessageA(dialog, WM_SYSKEYDOWN, VK_F4, 0x20000001) &&
           PostMessageA(dialog, WM_SYSKEYUP, VK_F4, 0xE0000001);
  }
  std::fprintf(stderr, "driver: unknown action '%s'\n", what.c_str());
  return false;
}

struct ClassSearch {
  const char* name;
  std::vector<HWND> found;
};

BOOL CALLBACK matchClass(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<ClassSearch*>(param);
  if (IsWindowVisible(hwnd) && className(hwnd) == search->name) search->found.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> windowsOfClass(const char* name) {
  ClassSearch search{name, {}};
  EnumWindows(matchClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool waitClass(const char* name, DWORD timeoutMs, bool present) {
  DWORD start = GetTickCount();
  for (;;) {
    if (windowsOfClass(name).empty() != present) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(kPollMs);
  }
}

int usage() {
  std::fprintf(stderr, "usage: driver COMMAND ARGS... (see the head of driver.cpp)\n");
  return 2;
}

int runClassCommand(const std::string& command, int argc, char** argv) {
  if (argc < 3) return usage();
  const char* name = argv[2];
  if (command == "wait-class") {
    if (waitClass(name, timeoutArg(argc, argv, 3), true)) return 0;
    return fail((std::string("no window of class ") + name).c_str(), nullptr);
  }
  if (command == "title-class") {
    std::vector<HWND> found = windowsOfClass(name);
    if (found.empty()) return fail((std::string("no window of class ") + name).c_str(), nullptr);
    std::printf("%s\n", escaped(windowText(found.front())).c_str());
    return 0;
  }
  // close-class
  for (HWND hwnd : windowsOfClass(name)) PostMessageA(hwnd, WM_CLOSE, 0, 0);
  if (waitClass(name, timeoutArg(argc, argv, 3), false)) return 0;
  return fail((std::string("window of class still open: ") + name).c_str(), nullptr);
}

int runDialogCommand(const std::string& command, int argc, char** argv) {
  if (argc < 4) return usage();
  Selector selector;
  if (!parseSelector(argv[2], argv[3], &selector)) return 2;

  if (command == "wait") {
    return waitDialog(selector, timeoutArg(argc, argv, 4)) ? 0 : fail("timed out", &selector);
  }
  if (command == "gone") {
    DWORD timeout = timeoutArg(argc, argv, 4);
    DWORD start = GetTickCount();
    while (findDialog(selector)) {
      if (GetTickCount() - start >= timeout) return fail("still open", &selector);
      Sleep(kPollMs);
    }
    return 0;
  }
  if (command == "exists") return findDialog(selector) ? 0 : 1;

  HWND dialog = findDialog(selector);
  if (!dialog) return fail("not found", &selector);

  if (command == "post") {
    if (argc < 5) return usage();
    return postAction(dialog, argv[4]) ? 0 : 1;
  }
  if (command == "state") {
    std::printf("%d %d\n", IsWindowVisible(dialog) ? 1 : 0, IsWindowEnabled(dialog) ? 1 : 0);
    return 0;
  }
  if (command == "rect") {
    RECT r;
    if (!GetWindowRect(dialog, &r)) return fail("no rectangle", &selector);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
  }
  if (command == "move") {
    int x = 0, y = 0;
    if (argc < 6 || !parseInt(argv[4], &x) || !parseInt(argv[5], &y)) return usage();
    return SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)
               ? 0
               : 1;
  }

  // The rest address one control of the dialog.
  int id = 0;
  if (argc < 5 || !parseInt(argv[4], &id)) return usage();
  HWND control = findChild(dialog, id, nullptr);
  if (!control) {
    std::fprintf(stderr, "driver: control %d not found\n", id);
    return fail("no such control", &selector);
  }
  if (command == "text") {
    std::printf("%s\n", escaped(windowText(control)).c_str());
    return 0;
  }
  if (command == "set-text") {
    if (argc < 6) return usage();
    return SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[5])) ? 0 : 1;
  }
  if (command == "checked") {
    std::printf("%d\n", static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0)));
    return 0;
  }
  if (command == "check") {
    int state = 0;
    if (argc < 6 || !parseInt(argv[5], &state)) return usage();
    SendMessageA(control, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
    return 0;
  }
  if (command == "click") return PostMessageA(control, BM_CLICK, 0, 0) ? 0 : 1;
  if (command == "shown") {
    std::printf("%d %d\n", IsWindowVisible(control) ? 1 : 0, IsWindowEnabled(control) ? 1 : 0);
    return 0;
  }
  return usage();
}

// The certificate a run added, for osslsigncode to check its catalogs with.
int exportCertificate(const char* storeName, const char* thumbprint, const char* file) {
  BYTE hash[20];
  for (int i = 0; i < 20; ++i) {
    unsigned value = 0;
    if (std::strlen(thumbprint) != 40 || std::sscanf(thumbprint + 2 * i, "%2x", &value) != 1)
      return usage();
    hash[i] = static_cast<BYTE>(value);
  }
  HCERTSTORE store = CertOpenStore(
      CERT_STORE_PROV_SYSTEM_A, 0, 0,
      CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG | CERT_STORE_READONLY_FLAG,
      storeName);
  if (!store) return 1;
  CRYPT_HASH_BLOB blob{sizeof hash, hash};
  PCCERT_CONTEXT found =
      CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr);
  int result = 1;
  if (found) {
    FILE* out = std::fopen(file, "wb");
    if (out &&
        std::fwrite(found->pbCertEncoded, 1, found->cbCertEncoded, out) == found->cbCertEncoded)
      result = 0;
    if (out) std::fclose(out);
    CertFreeCertificateContext(found);
  }
  CertCloseStore(store, 0);
  return result;
}

int setStringValue(const char* path, const char* name, const char* data) {
  static const struct {
    const char* name;
    HKEY key;
  } roots[] = {{"HKEY_CLASSES_ROOT\\", HKEY_CLASSES_ROOT},
               {"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
               {"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE}};
  for (const auto& root : roots) {
    size_t length = std::strlen(root.name);
    if (std::strncmp(path, root.name, length) != 0) continue;
    HKEY key = nullptr;
    if (RegCreateKeyExA(root.key, path + length, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return 1;
    LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                                 static_cast<DWORD>(std::strlen(data) + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? 0 : 1;
  }
  return usage();
}

int runStep(int argc, char** argv) {
  if (argc < 2) return usage();
  std::string command = argv[1];

  if (command == "list") {
    listWindows(stdout);
    return 0;
  }
  if (command == "answer") {
    if (argc < 4) return usage();
    Selector selector;
    if (!parseSelector(argv[2], argv[3], &selector)) return 2;
    HWND box = waitDialog(selector, timeoutArg(argc, argv, 4));
    if (!box) return fail("no message box", &selector);
    return PostMessageA(GetDlgItem(box, selector.controlId), BM_CLICK, 0, 0) ? 0 : 1;
  }
  if (command == "export-cert") {
    if (argc < 5) return usage();
    return exportCertificate(argv[2], argv[3], argv[4]);
  }
  if (command == "set-sz") {
    if (argc < 5) return usage();
    return setStringValue(argv[2], argv[3], argv[4]);
  }
  if (command == "hold") {
    if (argc < 3) return usage();
    // Closed by Windows when the driver ends.
    return CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr) == INVALID_HANDLE_VALUE;
  }
  if (command == "wait-class" || command == "title-class" || command == "close-class")
    return runClassCommand(command, argc, argv);
  return runDialogCommand(command, argc, argv);
}

bool readLine(std::string* line) {
  line->clear();
  for (int c; (c = std::getchar()) != EOF;) {
    if (c == '\n') return true;
    line->push_back(static_cast<char>(c));
  }
  return !line->empty();
}

int serve(const char* program) {
  constexpr char kEndOfStep = '\x1e';
  std::string line;
  while (readLine(&line) && line != "quit") {
    std::vector<std::string> fields(1, program);
    for (size_t start = 0;;) {
      size_t tab = line.find('\t', start);
      fields.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    std::vector<char*> args;
    for (std::string& field : fields) args.push_back(&field[0]);
    int code = runStep(static_cast<int>(args.size()), args.data());
    std::printf("%c%d\n", kEndOfStep, code);
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The scenarios compare the output byte for byte: no CR LF translation.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  _setmode(_fileno(stdin), _O_BINARY);
  if (argc == 2 && std::strcmp(argv[1], "serve") == 0) return serve(argv[0]);
  return runStep(argc, argv);
}
