#pragma once
// Reading the Win32 window's controls the way a person sees them, and answering its modal dialogs
// from a timer that runs inside their message loops.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "win32gui/WinText.h"

namespace mrv::testing {

inline std::string windowText(HWND w) {
  wchar_t buf[1024] = {};
  GetWindowTextW(w, buf, 1024);
  return narrow(buf);
}

// A cell of the ListView as it shows it (item = grid row - 1).
inline std::string listText(HWND list, int item, int sub) {
  std::wstring buf(2048, L'\0');
  LVITEMW it{};
  it.iSubItem = sub;
  it.pszText = buf.data();
  it.cchTextMax = static_cast<int>(buf.size());
  const auto n = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it));
  buf.resize(static_cast<std::size_t>(n));
  return narrow(buf);
}

inline std::string headerText(HWND list, int col) {
  wchar_t buf[512] = {};
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT;
  c.pszText = buf;
  c.cchTextMax = 512;
  if (!SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&c))) return "?";
  return narrow(buf);
}

inline int listColumns(HWND list) {
  return static_cast<int>(SendMessageW(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)),
                                       HDM_GETITEMCOUNT, 0, 0));
}

inline bool hidden(HWND w) { return !(GetWindowLongPtrW(w, GWL_STYLE) & WS_VISIBLE); }

// Runs `act` on the first visible dialog of this thread with the caption, from inside the modal
// loop that shows it; gives up after about five seconds (the dialog stays and the test fails).
class DialogDriver {
 public:
  DialogDriver(std::wstring caption, std::function<void(HWND)> act)
      : caption_(std::move(caption)), act_(std::move(act)) {
    self() = this;
    timer_ = SetTimer(nullptr, 0, 50, &tick);
  }
  ~DialogDriver() {
    KillTimer(nullptr, timer_);
    self() = nullptr;
  }
  bool acted() const { return acted_; }
  HWND found() const { return found_; }

 private:
  static DialogDriver*& self() {
    static DialogDriver* s = nullptr;
    return s;
  }
  static BOOL CALLBACK each(HWND w, LPARAM lp) {
    auto* d = reinterpret_cast<DialogDriver*>(lp);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    wchar_t title[256] = {};
    GetWindowTextW(w, title, 256);
    if (IsWindowVisible(w) && std::wstring(cls) == L"#32770" && d->caption_ == title) {
      d->found_ = w;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogDriver* d = self();
    if (!d || d->acted_) return;
    if (++d->ticks_ > 100) return;
    EnumThreadWindows(GetCurrentThreadId(), &each, reinterpret_cast<LPARAM>(d));
    if (!d->found_) return;
    d->acted_ = true;
    d->act_(d->found_);
  }

  std::wstring caption_;
  std::function<void(HWND)> act_;
  UINT_PTR timer_ = 0;
  HWND found_ = nullptr;
  bool acted_ = false;
  int ticks_ = 0;
};

// Clicks the dialog's button with the identifier (IDOK, IDYES, ...).
inline void clickButton(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// The text of a message box (its static control that holds the message).
inline std::string messageBoxText(HWND box) { return windowText(GetDlgItem(box, 0xFFFF)); }

}  // namespace mrv::testing
