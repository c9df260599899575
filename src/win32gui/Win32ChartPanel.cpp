#include "win32gui/Win32ChartPanel.h"

#include <commctrl.h>
#include <commdlg.h>

#include "win32gui/ChartPicture.h"
#include "win32gui/GdiCanvas.h"
#include "win32gui/Win32Views.h"
#include "win32gui/WinText.h"

namespace mrv {

namespace {

constexpr const wchar_t* kPanelClass = L"MervanaPanel1";
constexpr const wchar_t* kGraphClass = L"MervanaXYGraph";
constexpr int kComboId = 201;

// The signed screen position of a mouse message.
int xOf(LPARAM lp) { return static_cast<int>(static_cast<short>(LOWORD(lp))); }
int yOf(LPARAM lp) { return static_cast<int>(static_cast<short>(HIWORD(lp))); }

// Caption label and value label of each row of the two group boxes, top to bottom.
constexpr std::pair<const char*, const char*> kDriveRows[] = {
    {"Label1", "Label2"}, {"Label3", "Label4"}, {"Label5", "Label6"}, {"Label7", "Label8"}};
constexpr std::pair<const char*, const char*> kLatestRows[] = {
    {"Label9", "Label10"},  {"Label11", "Label12"}, {"Label13", "Label14"}, {"Label15", "Label16"},
    {"Label17", "Label18"}, {"Label19", "Label20"}, {"Label21", "Label22"}, {"Label23", "Label24"},
    {nullptr, "Label25"}};  // the time under the date

void registerClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kPanelClass;
  wc.lpfnWndProc = DefWindowProcW;  // replaced per window below, so the panel object is at hand
  RegisterClassExW(&wc);
  wc.lpszClassName = kGraphClass;
  wc.hbrBackground = nullptr;  // painted whole, without flicker
  RegisterClassExW(&wc);
}

}  // namespace

Win32ChartPanel::Win32ChartPanel(HWND parent, HFONT font, HFONT boldFont, int dpi) {
  registerClasses();
  HINSTANCE inst = GetModuleHandleW(nullptr);
  panel_ = CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 100, 100, parent,
                           nullptr, inst, nullptr);
  SetWindowLongPtrW(panel_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(panel_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&panelProc));

  auto makeLabel = [&](const char* name) {
    HWND l = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, panel_,
                             nullptr, inst, nullptr);
    labels_[name] = l;
    return l;
  };
  box2_ = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 0, 10, 10, panel_, nullptr, inst,
                          nullptr);
  box1_ = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 0, 10, 10, panel_, nullptr, inst,
                          nullptr);
  for (const auto& [caption, value] : kDriveRows) {
    makeLabel(caption);
    makeLabel(value);
  }
  for (const auto& [caption, value] : kLatestRows) {
    if (caption) makeLabel(caption);
    makeLabel(value);
  }
  for (const auto& [name, caption] : kChartPanelCaptions) {
    const std::wstring text = wide(caption);
    if (auto it = labels_.find(name); it != labels_.end()) SetWindowTextW(it->second, text.c_str());
    else if (name == "GroupBox1") SetWindowTextW(box1_, text.c_str());
    else if (name == "GroupBox2") SetWindowTextW(box2_, text.c_str());
  }
  combo_ = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
                           0, 10, 10, panel_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kComboId)), inst, nullptr);
  const std::wstring cue = wide(kComboBox1Text);
  SendMessageW(combo_, CB_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(cue.c_str()));
  SendMessageW(combo_, CB_SETMINVISIBLE, 24, 0);
  colors_[makeLabel("Label27")] = LabelColor::Red;  // the status word is bold red
  makeLabel("Label26");
  graph_ = CreateWindowExW(0, kGraphClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, panel_, nullptr, inst, nullptr);
  SetWindowLongPtrW(graph_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(graph_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&graphProc));
  graph1_.setOnChanged([this] { InvalidateRect(graph_, nullptr, FALSE); });
  setFonts(font, boldFont);
  layout(dpi);
}

Win32ChartPanel::~Win32ChartPanel() {
  graph1_.setOnChanged(nullptr);
  if (IsWindow(panel_)) {
    SetWindowLongPtrW(panel_, GWLP_USERDATA, 0);
    SetWindowLongPtrW(graph_, GWLP_USERDATA, 0);
  }
}

void Win32ChartPanel::setFonts(HFONT font, HFONT boldFont) {
  for (HWND w : {box1_, box2_, combo_}) SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  for (const auto& [name, l] : labels_)
    SendMessageW(l, WM_SETFONT, reinterpret_cast<WPARAM>(name == "Label27" ? boldFont : font), FALSE);
  InvalidateRect(panel_, nullptr, TRUE);
}

void Win32ChartPanel::layout(int dpi) {
  dpi_ = dpi;
  RECT rc;
  GetClientRect(panel_, &rc);
  auto s = [dpi](int v) { return scaled(v, dpi); };
  auto place = [](HWND w, int x, int y, int cw, int ch) {
    MoveWindow(w, x, y, cw < 0 ? 0 : cw, ch < 0 ? 0 : ch, FALSE);
  };
  const int margin = s(8), row = s(20), captionW = s(96), valueW = s(120), boxW = captionW + valueW + s(24);
  int y = margin;
  place(box2_, margin, y, boxW, s(22) + row * 4 + s(8));
  int ry = y + s(20);
  for (const auto& [caption, value] : kDriveRows) {
    place(labels_[caption], margin + s(10), ry, captionW, row - s(4));
    place(labels_[value], margin + s(10) + captionW, ry, valueW, row - s(4));
    ry += row;
  }
  y += s(22) + row * 4 + s(16);
  place(box1_, margin, y, boxW, s(22) + row * 9 + s(8));
  ry = y + s(20);
  for (const auto& [caption, value] : kLatestRows) {
    if (caption) place(labels_[caption], margin + s(10), ry, captionW, row - s(4));
    place(labels_[value], margin + s(10) + captionW, ry, valueW, row - s(4));
    ry += row;
  }
  const int x = margin * 2 + boxW;
  const int right = rc.right - margin;
  place(combo_, x, margin, s(200), s(400));  // the height is the dropped list's
  place(labels_["Label27"], x + s(212), margin + s(3), right - x - s(212), s(18));
  const int legendH = s(18);
  const int graphTop = margin + s(30);
  place(graph_, x, graphTop, right - x, rc.bottom - graphTop - legendH - margin * 2);
  place(labels_["Label26"], x, rc.bottom - margin - legendH, right - x, legendH);
  InvalidateRect(panel_, nullptr, TRUE);
}

HWND Win32ChartPanel::label(std::string_view name) const {
  auto it = labels_.find(name);
  return it == labels_.end() ? nullptr : it->second;
}

void Win32ChartPanel::setLabelText(std::string_view name, std::string_view text) {
  if (HWND l = label(name)) SetWindowTextW(l, wide(text).c_str());
}

std::string Win32ChartPanel::labelText(std::string_view name) const {
  HWND l = label(name);
  if (!l) return {};
  const int n = GetWindowTextLengthW(l);
  std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
  s.resize(static_cast<std::size_t>(GetWindowTextW(l, s.data(), n + 1)));
  return narrow(s);
}

void Win32ChartPanel::setLabelColor(std::string_view name, LabelColor color) {
  HWND l = label(name);
  if (!l) return;
  colors_[l] = color;
  InvalidateRect(l, nullptr, TRUE);
}

LabelColor Win32ChartPanel::labelColor(std::string_view name) const {
  HWND l = label(name);
  auto it = colors_.find(l);
  return it == colors_.end() ? LabelColor::Black : it->second;
}

void Win32ChartPanel::setChoices(const std::vector<std::string>& items) {
  // items set from code never send CBN_SELCHANGE, so ComboBox1Change does not run
  SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
  for (const auto& i : items) SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(i).c_str()));
  SendMessageW(combo_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

std::vector<std::string> Win32ChartPanel::choices() const {
  std::vector<std::string> out;
  const int n = static_cast<int>(SendMessageW(combo_, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    const auto len = SendMessageW(combo_, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring s(static_cast<std::size_t>(len < 0 ? 0 : len) + 1, L'\0');
    SendMessageW(combo_, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<std::size_t>(len < 0 ? 0 : len));
    out.push_back(narrow(s));
  }
  return out;
}

void Win32ChartPanel::setChoiceIndex(int index) {
  const int n = static_cast<int>(SendMessageW(combo_, CB_GETCOUNT, 0, 0));
  SendMessageW(combo_, CB_SETCURSEL, static_cast<WPARAM>(index >= 0 && index < n ? index : -1), 0);
}

int Win32ChartPanel::choiceIndex() const { return static_cast<int>(SendMessageW(combo_, CB_GETCURSEL, 0, 0)); }

void Win32ChartPanel::paintGraph(HDC dc, const RECT& client) {
  const int w = client.right - client.left, h = client.bottom - client.top;
  if (w <= 0 || h <= 0) return;
  // painted off screen and copied in one step
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
  HGDIOBJ old = SelectObject(mem, bmp);
  {
    GdiCanvas canvas(mem);
    canvas.fillRect(RectF{0, 0, static_cast<double>(w), static_cast<double>(h)}, colors::White);
    graph1_.Paint(canvas, w, h);
  }
  BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
}

void Win32ChartPanel::showChartMenu(POINT at) {
  if (at.x == -1 && at.y == -1) {  // from the keyboard: under the chart's top-left corner
    at = {0, 0};
    ClientToScreen(graph_, &at);
  }
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, 1, L"グラフをPNG画像で保存...");
  AppendMenuW(menu, MF_STRING, 2, L"グラフをSVG画像で保存...");
  const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, graph_, nullptr);
  DestroyMenu(menu);
  if (chosen == 1 || chosen == 2) saveAs(chosen == 1);
}

void Win32ChartPanel::saveAs(bool png) {
  wchar_t file[MAX_PATH * 4] = {};
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = GetAncestor(panel_, GA_ROOT);
  ofn.lpstrFilter = png ? L"PNG (*.png)\0*.png\0" : L"SVG (*.svg)\0*.svg\0";
  ofn.lpstrDefExt = png ? L"png" : L"svg";
  ofn.lpstrFile = file;
  ofn.nMaxFile = static_cast<DWORD>(std::size(file));
  ofn.lpstrTitle = L"グラフの保存";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (!GetSaveFileNameW(&ofn)) return;
  RECT rc;
  GetClientRect(graph_, &rc);
  std::string message;
  if (!saveChartPicture(graph1_, png ? ChartPictureFormat::Png : ChartPictureFormat::Svg, rc.right, rc.bottom,
                        narrow(file), message))
    MessageBoxW(ofn.hwndOwner, (L"グラフを保存できませんでした\n" + wide(message)).c_str(), L"Mervana",
                MB_OK | MB_ICONWARNING);
}

LRESULT CALLBACK Win32ChartPanel::panelProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Win32ChartPanel*>(GetWindowLongPtrW(w, GWLP_USERDATA));
  if (self) {
    switch (msg) {
      case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wp);
        auto it = self->colors_.find(reinterpret_cast<HWND>(lp));
        SetTextColor(dc, it != self->colors_.end() && it->second == LabelColor::Red ? RGB(255, 0, 0) : RGB(0, 0, 0));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      case WM_COMMAND:
        if (LOWORD(wp) == kComboId && HIWORD(wp) == CBN_SELCHANGE && self->onChoice_) {
          self->onChoice_();
          return 0;
        }
        break;
      case WM_SIZE:
        self->layout(self->dpi_);
        return 0;
    }
  }
  return DefWindowProcW(w, msg, wp, lp);
}

LRESULT CALLBACK Win32ChartPanel::graphProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Win32ChartPanel*>(GetWindowLongPtrW(w, GWLP_USERDATA));
  if (self && msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    RECT rc;
    GetClientRect(w, &rc);
    self->paintGraph(dc, rc);
    EndPaint(w, &ps);
    return 0;
  }
  if (self && msg == WM_CONTEXTMENU) {
    self->showChartMenu(POINT{xOf(lp), yOf(lp)});
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  return DefWindowProcW(w, msg, wp, lp);
}

}  // namespace mrv
