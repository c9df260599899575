#include "win32gui/MainWindow.h"

#include <commctrl.h>

#include <exception>

#include "app/MenuTable.h"
#include "win32gui/WinText.h"

namespace mrv {

namespace {

constexpr const wchar_t* kForm1Class = L"MervanaForm1";
constexpr UINT kFirstCommand = 1000;
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kSourceMessages = WM_APP + 1;

void initControls() {
  static bool done = false;
  if (done) return;
  done = true;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS |
                                           ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kForm1Class;
  RegisterClassExW(&wc);
}

int systemDpi() {
  HDC dc = GetDC(nullptr);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

// Dots per inch of the monitor the window is on (Windows 10's call where there is one).
int windowDpi(HWND w) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto fn = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  const UINT dpi = fn && w ? fn(w) : 0;
  return dpi ? static_cast<int>(dpi) : systemDpi();
}

}  // namespace

MainWindow::MainWindow(const Platform& platform, const std::string& programPath) {
  initControls();
  dpi_ = systemDpi();
  // the client area with the menu bar is 749 × 488, centred in the work area
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  RECT r{0, 0, scaled(749, dpi_), scaled(488, dpi_)};
  AdjustWindowRectEx(&r, style, TRUE, 0);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int w = r.right - r.left, h = r.bottom - r.top;
  hwnd_ = CreateWindowExW(0, kForm1Class, L"Mervana", style, work.left + (work.right - work.left - w) / 2,
                          work.top + (work.bottom - work.top - h) / 2, w, h, nullptr, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&proc));
  dpi_ = windowDpi(hwnd_);
  makeFonts();
  createControls();

  memoView_ = std::make_unique<Win32TextView>(memo1_);
  gridView_ = std::make_unique<Win32GridView>(grid1_);
  statusView_ = std::make_unique<Win32StatusView>(status1_, progress1_, [this] { layout(); });
  windowView_ = std::make_unique<Win32WindowView>(hwnd_, panel1_->hwnd(), [this] { layout(); });
  dialogs_ = std::make_unique<Win32Dialogs>(hwnd_);
  form_ = std::make_unique<TForm1>(*memoView_, *gridView_, *statusView_, *windowView_, *dialogs_, platform,
                                   programPath);
  screen_ = std::make_unique<Win32ScreenInfo>(hwnd_);
  form_->setScreen(screen_.get());
  form_->setChartPanel(*panel1_);
  panel1_->setOnChoice([this] { runCommand("ComboBox1"); });
  buildMenus();
  layout();
}

MainWindow::~MainWindow() {
  if (IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    quitOnDestroy_ = false;
    DestroyWindow(hwnd_);
  }
  panel1_.reset();
  if (menu_ && !IsWindow(hwnd_)) menu_ = nullptr;  // destroyed with its window
  for (HFONT f : {font_, boldFont_, memoFont_})
    if (f) DeleteObject(f);
  if (rowHeight_) ImageList_Destroy(rowHeight_);
}

void MainWindow::makeFonts() {
  for (HFONT f : {font_, boldFont_, memoFont_})
    if (f) DeleteObject(f);
  font_ = createUiFont(12, dpi_);
  boldFont_ = createUiFont(12, dpi_, true);
  memoFont_ = createUiFont(16, dpi_);
}

void MainWindow::createControls() {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  memo1_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                           WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                               ES_AUTOHSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
                           0, 0, 10, 10, hwnd_, nullptr, inst, nullptr);
  SendMessageW(memo1_, EM_SETLIMITTEXT, 0, 0);  // no 32K limit: a registry search writes long texts
  SendMessageW(memo1_, WM_SETFONT, reinterpret_cast<WPARAM>(memoFont_), FALSE);

  grid1_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                           WS_CHILD | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL |
                               LVS_SHAREIMAGELISTS,  // the row-height image list is the window's to free
                           0, 0, 10, 10, hwnd_, nullptr, inst, nullptr);
  SendMessageW(grid1_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  SendMessageW(grid1_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  setRowHeight();

  panel1_ = std::make_unique<Win32ChartPanel>(hwnd_, font_, boldFont_, dpi_);

  progress1_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 10, 10, hwnd_, nullptr, inst, nullptr);
  SendMessageW(progress1_, PBM_SETRANGE32, 0, 100);
  status1_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_,
                             nullptr, inst, nullptr);
  SendMessageW(status1_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

void MainWindow::setRowHeight() {
  // the row height is the small image list's height: 16 pixels, as the grid's default rows
  // (grid lines and themes may add to it: measured once and the image made that much shorter)
  const int rowHeight = scaled(16, dpi_);
  HIMAGELIST old = rowHeight_;
  rowHeight_ = ImageList_Create(1, rowHeight, ILC_COLOR, 0, 0);
  SendMessageW(grid1_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rowHeight_));
  if (old) ImageList_Destroy(old);
  const auto items = SendMessageW(grid1_, LVM_GETITEMCOUNT, 0, 0);
  if (items == 0) SendMessageW(grid1_, LVM_SETITEMCOUNT, 1, LVSICF_NOSCROLL);
  RECT item{LVIR_BOUNDS, 0, 0, 0};
  if (SendMessageW(grid1_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item))) {
    const int extra = (item.bottom - item.top) - rowHeight;
    if (extra > 0 && extra < rowHeight / 2) {
      old = rowHeight_;
      rowHeight_ = ImageList_Create(1, rowHeight - extra, ILC_COLOR, 0, 0);
      SendMessageW(grid1_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rowHeight_));
      ImageList_Destroy(old);
    }
  }
  if (items == 0) SendMessageW(grid1_, LVM_SETITEMCOUNT, 0, LVSICF_NOSCROLL);
}

void MainWindow::buildMenus() {
  menu_ = CreateMenu();
  UINT id = kFirstCommand;
  for (const auto& menu : mrv::MainMenu1()) {
    HMENU popup = CreatePopupMenu();
    for (const auto& item : menu.items) {
      if (item.separatorBefore) AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
      const std::wstring caption = wide(item.caption);
      const bool enabled = form_->hasCommand(item.name);
      AppendMenuW(popup, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), id, caption.c_str());
      windowView_->addMenuItem(std::string(item.name), popup, id);
      commandNames_.emplace_back(item.name);
      ++id;
    }
    AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), wide(menu.caption).c_str());
  }
  SetMenu(hwnd_, menu_);
}

UINT MainWindow::commandId(std::string_view name) const {
  for (std::size_t i = 0; i < commandNames_.size(); ++i)
    if (commandNames_[i] == name) return kFirstCommand + static_cast<UINT>(i);
  return 0;
}

void MainWindow::layout() {
  if (!status1_) return;
  RECT rc;
  GetClientRect(hwnd_, &rc);
  SendMessageW(status1_, WM_SIZE, 0, 0);  // the status bar places itself along the bottom
  RECT sr{};
  GetWindowRect(status1_, &sr);
  int bottom = rc.bottom - (sr.bottom - sr.top);
  if (ownVisible(progress1_)) {
    const int h = scaled(16, dpi_);
    bottom -= h;
    MoveWindow(progress1_, 0, bottom, rc.right, h, TRUE);
  }
  const int height = bottom < 0 ? 0 : bottom;
  // Memo1, StringGrid1 and Panel1 take the same place; the command shows one of them
  MoveWindow(memo1_, 0, 0, rc.right, height, TRUE);
  MoveWindow(grid1_, 0, 0, rc.right, height, TRUE);
  if (panel1_) MoveWindow(panel1_->hwnd(), 0, 0, rc.right, height, TRUE);
}

void MainWindow::show(int how) {
  ShowWindow(hwnd_, how);
  UpdateWindow(hwnd_);
}

void MainWindow::runCommand(std::string_view name) {
  // an exception must not unwind through the window system's call of the window procedure
  try {
    form_->runCommand(name);
  } catch (const std::exception& e) {
    dialogs_->message("Mervana", e.what(), Dialogs::Kind::Error);
  }
}

LRESULT CALLBACK MainWindow::proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(w, GWLP_USERDATA));
  if (!self) return DefWindowProcW(w, msg, wp, lp);
  return self->handle(msg, wp, lp);
}

LRESULT MainWindow::handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      layout();
      return 0;
    case WM_COMMAND:
      if (HIWORD(wp) == 0 && lp == 0 && LOWORD(wp) >= kFirstCommand &&
          LOWORD(wp) < kFirstCommand + commandNames_.size()) {
        const std::string name = commandNames_[LOWORD(wp) - kFirstCommand];
        if (windowView_->menuEnabled(name)) runCommand(name);
        return 0;
      }
      break;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (hdr->hwndFrom == grid1_ && hdr->code == LVN_GETDISPINFOW && gridView_) {
        gridView_->fillDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(lp));
        return 0;
      }
      if (hdr->hwndFrom == grid1_ && hdr->code == NM_CUSTOMDRAW && gridView_)
        return gridView_->customDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
      break;
    }
    case WM_TIMER:
      if (wp == kTimer1) {
        KillTimer(hwnd_, kTimer1);  // the batch sequence runs once
        try {
          form_->Timer1Timer();
        } catch (const std::exception& e) {
          dialogs_->message("Mervana", e.what(), Dialogs::Kind::Error);
        }
        return 0;
      }
      break;
    case kSourceMessages: {
      auto* text = reinterpret_cast<std::string*>(lp);
      dialogs_->message("Mervana", *text, Dialogs::Kind::Warning);
      delete text;
      return 0;
    }
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wp);
      makeFonts();
      SendMessageW(memo1_, WM_SETFONT, reinterpret_cast<WPARAM>(memoFont_), TRUE);
      SendMessageW(grid1_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
      setRowHeight();
      SendMessageW(status1_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
      panel1_->setFonts(font_, boldFont_);
      const auto* r = reinterpret_cast<const RECT*>(lp);
      SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      panel1_->layout(dpi_);
      return 0;
    }
    case WM_CLOSE: {
      bool close = true;
      try {
        close = form_->FormCloseQuery();
      } catch (const std::exception& e) {
        dialogs_->message("Mervana", e.what(), Dialogs::Kind::Error);
      }
      if (close) DestroyWindow(hwnd_);
      return 0;
    }
    case WM_DESTROY:
      if (quitOnDestroy_) PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

int RunMainWindow(const StartOptions& options, const Settings& settings, const std::string& programPath,
                  const Platform& platform, const std::vector<std::string>& sourceMessages) {
  MainWindow window(platform, programPath);
  window.setQuitOnDestroy(true);
  TForm1& form = window.form();
  form.FormCreate(options, settings);
  if (form.showMainWindow()) {
    window.show(SW_SHOWNORMAL);
    // what went wrong opening a configured source (a damaged hive, a missing dump) is said once
    if (!sourceMessages.empty()) {
      std::string text;
      for (const auto& m : sourceMessages) text += (text.empty() ? "" : "\n") + m;
      PostMessageW(window.hwnd(), kSourceMessages, 0, reinterpret_cast<LPARAM>(new std::string(text)));
    }
  }
  if (form.timerEnabled()) SetTimer(window.hwnd(), kTimer1, static_cast<UINT>(form.timerInterval()), nullptr);
  MSG msg;
  int rc = 0;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      rc = static_cast<int>(msg.wParam);
      break;
    }
    if (got == -1) break;
    if (!IsDialogMessageW(window.chartPanel().hwnd(), &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return form.exitStatus() != 0 ? form.exitStatus() : rc;
}

}  // namespace mrv
