#include "WizardDriver.h"

#include <cctype>
#include <sstream>

#include "shots/Shots.h"

namespace zp {
namespace {

// Client positions of the wizard's layout (the form's description).
constexpr POINT kNext{335 + 20, 320 + 13 + 10}, kCancel{423 + 20, 320 + 13 + 10};
constexpr POINT kTitle{24 + 4, 18 + 4};
constexpr POINT kAccept{40 + 8, 274 + 8};
constexpr POINT kMemo{40 + 20, 136 + 20}, kProgressBar{40 + 20, 104 + 8};
constexpr POINT kWelcomeText{161 + 16, 8 + 104}, kCheckRun{161 + 16 + 8, 8 + 136 + 8};
constexpr POINT kStartTitle{161 + 16 + 8, 8 + 24 + 8};
constexpr int kClientWidth = 513, kClientHeight = 368;

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

// The text of a window of another process, as UTF-8.
std::string TextOf(HWND window) {
  const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(wcslen(text.c_str()));
  std::string utf8(text.size() * 3 + 1, '\0');
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0],
                                    static_cast<int>(utf8.size()), nullptr, nullptr);
  utf8.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return utf8;
}

// The deepest visible window at a client point of the form.
HWND At(HWND form, POINT point) {
  HWND window = form;
  for (;;) {
    HWND child = ChildWindowFromPointEx(window, point, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (!child || child == window) return window;
    MapWindowPoints(window, child, &point, 1);
    window = child;
  }
}

// Lets the wizard finish what it is doing (a click may run the installation).
void Settle(HWND form) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_NORMAL, 120000, &ignored);
  Sleep(250);
  SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_NORMAL, 120000, &ignored);
}

bool IsButton(HWND window) { return ClassOf(window) == "Button"; }

void Click(HWND form, HWND button) {
  PostMessageW(button, BM_CLICK, 0, 0);
  Settle(form);
}

std::string Slug(const std::string& title) {
  std::string slug;
  for (char c : title) {
    if (std::isalnum(static_cast<unsigned char>(c)))
      slug += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    else if (!slug.empty() && slug.back() != '-')
      slug += '-';
  }
  if (slug.size() > 24) slug.resize(slug.find_last_of('-', 24) == std::string::npos ? 24 : slug.find_last_of('-', 24));
  while (!slug.empty() && slug.back() == '-') slug.pop_back();
  return slug.empty() ? "page" : slug;
}

struct TBoxSearch {
  DWORD Process;
  HWND Box = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<TBoxSearch*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == search.Process && IsWindowVisible(window) && ClassOf(window) == "#32770") {
    search.Box = window;
    return FALSE;
  }
  return TRUE;
}

// The static text of a message box.
std::string BoxText(HWND box) {
  std::string text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (ClassOf(child) == "Static" && !TextOf(child).empty()) text += (text.empty() ? "" : " ") + TextOf(child);
  return text;
}

struct TWizardSearch {
  HWND Form = nullptr;
};

BOOL CALLBACK FindWizard(HWND window, LPARAM data) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  RECT client{};
  GetClientRect(window, &client);
  if (process != GetCurrentProcessId() && IsWindowVisible(window) && ClassOf(window) == "ZpForm" &&
      client.right == kClientWidth && client.bottom == kClientHeight) {
    reinterpret_cast<TWizardSearch*>(data)->Form = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND WaitForWizard(DWORD timeoutMs) {
  for (DWORD waited = 0; waited <= timeoutMs; waited += 50) {
    TWizardSearch search;
    EnumWindows(FindWizard, reinterpret_cast<LPARAM>(&search));
    if (search.Form) return search.Form;
    Sleep(50);
  }
  return nullptr;
}

TDriveResult DriveWizard(HWND form, const TDriveOptions& options) {
  TDriveResult result;
  const auto say = [&](const std::string& line) {
    if (options.Say) options.Say(line);
  };
  DWORD process = 0;
  GetWindowThreadProcessId(form, &process);
  const auto pump = [] { Sleep(20); };
  bool linkClicked = false;
  for (int step = 1; step <= 16 && IsWindow(form); ++step) {
    Settle(form);
    TBoxSearch boxes{process};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&boxes));
    if (boxes.Box) {
      result.Boxes.push_back(BoxText(boxes.Box));
      say("box: " + result.Boxes.back());
      SaveShot(boxes.Box, options.ShotPrefix + "-box-" + std::to_string(result.Boxes.size()), pump);
      PostMessageW(boxes.Box, WM_COMMAND, IDOK, 0);
      continue;
    }
    // The page: an inner page's header title, else the welcome or finish
    // text, else the splash picture.
    HWND title = At(form, kTitle);
    std::string name = ClassOf(title) == "ZpLabel" ? TextOf(title) : "";
    if (name.empty()) {
      HWND startTitle = At(form, kStartTitle);
      name = ClassOf(startTitle) == "ZpLabel" ? TextOf(startTitle) : "Splash";
    }
    result.Pages.push_back(name);
    say("page " + std::to_string(result.Pages.size()) + ": " + name);
    char number[8];
    std::snprintf(number, sizeof(number), "%02zu", result.Pages.size());
    SaveShot(form, options.ShotPrefix + "-" + number + "-" + Slug(name), pump);

    if (ClassOf(At(form, kProgressBar)) == "msctls_progress32" && result.Log.empty()) {
      std::istringstream lines(TextOf(At(form, kMemo)));
      for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        result.Log.push_back(line);
        say("  | " + line);
      }
    }
    if (options.ClickLink && !linkClicked) {
      HWND label = At(form, kWelcomeText);
      if (ClassOf(label) == "ZpLinkLabel") {
        const LPARAM inside = MAKELPARAM(8, 6);  // the first word of the text
        PostMessageW(label, WM_MOUSEMOVE, 0, inside);
        PostMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, inside);
        PostMessageW(label, WM_LBUTTONUP, 0, inside);
        Settle(form);
        linkClicked = true;
        say("clicked the welcome text's link");
      }
    }
    HWND accept = At(form, kAccept);
    if (IsButton(accept) && (GetWindowLongW(accept, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
        SendMessageW(accept, BM_GETCHECK, 0, 0) != BST_CHECKED) {
      Click(form, accept);
      say("accepted the licence");
    }
    HWND next = At(form, kNext);
    if (IsButton(next) && IsWindowEnabled(next)) {
      Click(form, next);
      continue;
    }
    HWND checkRun = At(form, kCheckRun);
    if (options.NoTerminal && IsButton(checkRun) && SendMessageW(checkRun, BM_GETCHECK, 0, 0) == BST_CHECKED)
      Click(form, checkRun);
    HWND finish = At(form, kCancel);
    say("pressing " + TextOf(finish));
    PostMessageW(finish, BM_CLICK, 0, 0);
    result.Finished = true;
    break;
  }
  return result;
}

}  // namespace zp
