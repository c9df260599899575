#include "win32gui/Win32Dialogs.h"

#include <commdlg.h>

#include <vector>

#include "win32gui/Win32Views.h"
#include "win32gui/WinText.h"

namespace mrv {

int Win32Dialogs::box(std::string_view caption, std::string_view text, UINT type) {
  const std::wstring c = wide(caption.empty() ? "Mervana" : caption);
  const std::wstring t = wide(text);
  return MessageBoxW(owner_, t.c_str(), c.c_str(), type | MB_SETFOREGROUND);
}

bool Win32Dialogs::confirm(std::string_view caption, std::string_view text) {
  return box(caption, text, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

void Win32Dialogs::message(std::string_view caption, std::string_view text, Kind kind) {
  const UINT icon = kind == Kind::Error ? MB_ICONERROR : kind == Kind::Warning ? MB_ICONWARNING : MB_ICONINFORMATION;
  box(caption, text, MB_OK | icon);
}

bool Win32Dialogs::askYesNo(std::string_view caption, std::string_view text) {
  // a Yes/No box has no close box answer of its own: anything but Yes is No
  return box(caption, text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

Dialogs::Answer Win32Dialogs::askYesNoCancel(std::string_view caption, std::string_view text) {
  const int r = box(caption, text, MB_YESNOCANCEL | MB_ICONQUESTION);
  return r == IDYES ? Answer::Yes : r == IDNO ? Answer::No : Answer::Cancel;
}

// ---- Form2 ----------------------------------------------------------------------------------
namespace {

struct Form2State {
  std::wstring question;
  std::wstring answer;
  HFONT font = nullptr;
};

void takeAnswer(HWND dlg, Form2State& s) {
  HWND edit = GetDlgItem(dlg, kForm2Edit1);
  const int n = GetWindowTextLengthW(edit);
  std::wstring t(static_cast<std::size_t>(n) + 1, L'\0');
  t.resize(static_cast<std::size_t>(GetWindowTextW(edit, t.data(), n + 1)));
  s.answer = std::move(t);
}

INT_PTR CALLBACK form2Proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  auto* s = reinterpret_cast<Form2State*>(GetWindowLongPtrW(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      s = reinterpret_cast<Form2State*>(lp);
      SetWindowLongPtrW(dlg, DWLP_USER, lp);
      HDC dc = GetDC(dlg);
      const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
      ReleaseDC(dlg, dc);
      s->font = createUiFont(12, dpi);
      SetWindowTextW(dlg, kForm2Caption);
      // the client area is 433 × 146; centred on the owner, or on the screen without one
      RECT r{0, 0, scaled(433, dpi), scaled(146, dpi)};
      AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE)));
      const int w = r.right - r.left, h = r.bottom - r.top;
      RECT around;
      HWND owner = GetWindow(dlg, GW_OWNER);
      if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &around))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
      SetWindowPos(dlg, nullptr, (around.left + around.right - w) / 2, (around.top + around.bottom - h) / 2, w, h,
                   SWP_NOZORDER);
      HINSTANCE inst = GetModuleHandleW(nullptr);
      auto make = [&](const wchar_t* cls, const wchar_t* text, DWORD style, DWORD ex, int x, int y, int cw, int ch,
                      int id) {
        HWND c = CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, scaled(x, dpi), scaled(y, dpi),
                                 scaled(cw, dpi), scaled(ch, dpi), dlg,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(s->font), FALSE);
        return c;
      };
      make(L"STATIC", s->question.c_str(), SS_LEFT | SS_NOPREFIX, 0, 20, 16, 393, 32, kForm2Label1);
      HWND edit = make(L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 20, 56, 393, 24, kForm2Edit1);
      make(L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 176, 96, 80, 28, IDOK);
      SetFocus(edit);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        // closed by OK, Enter, Esc or the close box: the answer is taken either way
        if (s) takeAnswer(dlg, *s);
        EndDialog(dlg, LOWORD(wp));
        return TRUE;
      }
      break;
    case WM_DESTROY:
      if (s && s->font) {
        DeleteObject(s->font);
        s->font = nullptr;
      }
      break;
  }
  return FALSE;
}

// An empty dialog template: the controls are made in pixels when it opens.
std::vector<WORD> emptyTemplate() {
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);  // + no menu, default class, no title
  auto* d = reinterpret_cast<DLGTEMPLATE*>(t.data());
  d->style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  d->cdit = 0;
  d->cx = 200;
  d->cy = 60;
  return t;
}

}  // namespace

std::string Win32Dialogs::prompt(std::string_view question) {
  Form2State state;
  state.question = wide(question);
  std::vector<WORD> tmpl = emptyTemplate();
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(tmpl.data()), owner_, form2Proc,
                          reinterpret_cast<LPARAM>(&state));
  return narrow(state.answer);
}

// ---- the file-open dialog -------------------------------------------------------------------
std::string Win32Dialogs::openFile(std::string_view startDir, std::string_view filter) {
  // "description|patterns|..." becomes the dialog's NUL-separated, doubly NUL-ended pairs
  std::wstring f = wide(filter);
  for (auto& c : f)
    if (c == L'|') c = L'\0';
  f.push_back(L'\0');
  f.push_back(L'\0');
  std::wstring dir = wide(startDir);
  for (auto& c : dir)
    if (c == L'/') c = L'\\';
  std::vector<wchar_t> file(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner_;
  ofn.lpstrFilter = filter.empty() ? nullptr : f.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (!GetOpenFileNameW(&ofn)) return {};
  return narrow(file.data());
}

}  // namespace mrv
