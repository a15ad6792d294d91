// The removal program's page and the worker thread that removes.
#include "ui/removal_page.h"

#include "app/log.h"
#include "ui/dialog_helpers.h"
#include "ui/page_result.h"
#include "ui/resource.h"

namespace lw {

namespace {

enum class RemovalView {
  Offer,         // the list, "Remove" and "Cancel"
  Removing,      // the worker runs: no button works
  NothingFound,  // "Exit" alone
  Outcome,       // "View Log" and "Exit"
};

// The page's context, which the worker is given too: between the start
// and the done message the worker alone writes `result`.
struct RemovalPageContext {
  RemovalView view = RemovalView::Offer;
  const Leftovers* found = nullptr;
  const std::function<RemovalResult()>* remove = nullptr;
  RemovalResult result = RemovalResult::Failed;
  HWND page = nullptr;
  HANDLE worker = nullptr;
};

// The worker's message to the page that the removal is over (WM_APP + 1).
constexpr UINT kMsgRemovalDone = WM_APP + 1;

const char* headlineOf(const RemovalPageContext& context) {
  switch (context.view) {
    case RemovalView::Offer:
      return "Linkwright installed the following on this computer. Click \"Remove\" to take it "
             "off again or \"Cancel\" to leave it.";
    case RemovalView::Removing:
      return "Please Wait!\n\nRemoving what Linkwright installed.";
    case RemovalView::NothingFound:
      return "Nothing that Linkwright installs was found on this computer, so there is nothing "
             "to remove.";
    case RemovalView::Outcome:
      break;
  }
  return context.result == RemovalResult::Removed
             ? "Removal Successful!\n\nEverything listed was removed from this computer."
             : "Removal Failed!\n\nNot everything that Linkwright installed could be found and "
               "removed.";
}

const char* noteOf(RemovalView view) {
  switch (view) {
    case RemovalView::Offer:
    case RemovalView::Removing:
      return "Terminals connected to this computer lose the driver of their ActiveSync "
             "connection until Linkwright is run again; their storage falls back to Windows' "
             "own driver. The driver backups and ActiveSync's USB setting are left as they are.";
    case RemovalView::NothingFound:
      return "";
    case RemovalView::Outcome:
      break;
  }
  return "For more information, you may view the installation log by clicking on \"View Log\".";
}

void showControl(HWND page, int id, bool shown) {
  ShowWindow(GetDlgItem(page, id), shown ? SW_SHOW : SW_HIDE);
}

void showView(HWND page, RemovalPageContext& context, RemovalView view) {
  context.view = view;
  SetDlgItemTextA(page, IDC_REMOVAL_TEXT, headlineOf(context));
  SetDlgItemTextA(page, IDC_REMOVAL_NOTE, noteOf(view));
  const bool offering = view == RemovalView::Offer || view == RemovalView::Removing;
  const bool leaving = view == RemovalView::NothingFound || view == RemovalView::Outcome;
  showControl(page, IDC_REMOVAL_LIST, context.found && !context.found->empty());
  showControl(page, IDC_REMOVE, offering);
  showControl(page, IDC_CANCEL, offering);
  EnableWindow(GetDlgItem(page, IDC_REMOVE), view == RemovalView::Offer);
  EnableWindow(GetDlgItem(page, IDC_CANCEL), view == RemovalView::Offer);
  showControl(page, IDC_VIEW_LOG, view == RemovalView::Outcome);
  showControl(page, IDC_EXIT, leaving);
  // Leaving is the default: the removal is chosen, never pressed by Enter.
  const int focus = offering ? IDC_CANCEL : IDC_EXIT;
  SendMessageA(page, DM_SETDEFID, focus, 0);
  SetFocus(GetDlgItem(page, focus));
}

BOOL initRemoval(HWND page, RemovalPageContext& context) {
  context.page = page;
  centerDialog(page);
  // A read-only text, not a list box: the user can copy it.
  if (context.found) {
    std::string text;
    for (const std::string& line : listLines(*context.found)) text += line + "\r\n";
    SetDlgItemTextA(page, IDC_REMOVAL_LIST, text.c_str());
  }
  showView(page, context, context.view);
  return FALSE;  // the focus is set
}

DWORD WINAPI removalWorker(LPVOID parameter) {
  RemovalPageContext& context = *static_cast<RemovalPageContext*>(parameter);
  context.result = (*context.remove)();
  PostMessageA(context.page, kMsgRemovalDone, 0, 0);
  return 0;
}

// The removal runs off the page's thread, so that the page repaints while
// Setup takes its time; without a thread, it runs here.
void startRemoval(HWND page, RemovalPageContext& context) {
  showView(page, context, RemovalView::Removing);
  context.worker = CreateThread(nullptr, 0, removalWorker, &context, 0, nullptr);
  if (!context.worker) removalWorker(&context);
}

void collectRemoval(HWND page, RemovalPageContext& context) {
  if (context.worker) {
    WaitForSingleObject(context.worker, INFINITE);
    CloseHandle(context.worker);
    context.worker = nullptr;
  }
  showView(page, context, RemovalView::Outcome);
}

BOOL onRemovalCommand(HWND page, RemovalPageContext& context, int id) {
  switch (id) {
    case IDC_REMOVE:
      if (context.view == RemovalView::Offer) startRemoval(page, context);
      return TRUE;
    case IDC_VIEW_LOG:
      if (context.view == RemovalView::Outcome) viewLog(page);
      return TRUE;
    case IDCANCEL:
    case IDC_CANCEL:
    case IDC_EXIT:
      // While the worker runs, the page cannot be left.
      if (context.view != RemovalView::Removing) EndDialog(page, dialogResultOf(PageResult::Exit));
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK removalProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      keepPageContext(page, lParam);
      return initRemoval(page, pageContext<RemovalPageContext>(page));
    case WM_COMMAND:
      return onRemovalCommand(page, pageContext<RemovalPageContext>(page), LOWORD(wParam));
    case kMsgRemovalDone:
      collectRemoval(page, pageContext<RemovalPageContext>(page));
      return TRUE;
  }
  return FALSE;
}

// A page that cannot be shown (Windows low on resources) is logged; the run
// then ends as it would without a choice.
void show(HINSTANCE module, RemovalPageContext& context) {
  if (pageResultOf(showPage(module, IDD_REMOVAL, removalProc, &context)) == PageResult::Error) {
    logText("ERROR: Could not load Removal dialog box.\r\n");
  }
}

}  // namespace

void Win32RemovalPage::offer(const Leftovers& found, const std::function<RemovalResult()>& remove) {
  RemovalPageContext context;
  context.found = &found;
  context.remove = &remove;
  show(moduleHandle_, context);
}

void Win32RemovalPage::showNothingFound() {
  RemovalPageContext context;
  context.view = RemovalView::NothingFound;
  show(moduleHandle_, context);
}

void Win32RemovalPage::showOutcome(RemovalResult result) {
  RemovalPageContext context;
  context.view = RemovalView::Outcome;
  context.result = result;
  show(moduleHandle_, context);
}

}  // namespace lw
