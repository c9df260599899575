#include "win32gui/Win32Views.h"

#include <commctrl.h>

#include <algorithm>

#include "win32gui/WinText.h"

namespace mrv {

HFONT createUiFont(int pixels, int dpi, bool bold) {
  return CreateFontW(-scaled(pixels, dpi), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kUiFace);
}

namespace {

std::wstring windowText(HWND w) {
  const int n = GetWindowTextLengthW(w);
  std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(w, s.data(), n + 1);
  s.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
  return s;
}

// The control's line ends are CR LF; the views' lines carry none.
std::string withNewlines(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    out.push_back(text[i]);
  }
  return narrow(out);
}

std::wstring withCrLf(std::string_view utf8) {
  std::wstring w = wide(utf8), out;
  out.reserve(w.size());
  for (wchar_t c : w) {
    if (c == L'\n') out.push_back(L'\r');
    out.push_back(c);
  }
  return out;
}

}  // namespace

// ---- Memo1 ----------------------------------------------------------------------------------
std::wstring Win32TextView::text() const { return windowText(w_); }

void Win32TextView::clear() {
  SetWindowTextW(w_, L"");
  hasLines_ = false;
}

void Win32TextView::appendLine(std::string_view utf8) {
  const BOOL wasModified = static_cast<BOOL>(SendMessageW(w_, EM_GETMODIFY, 0, 0));
  std::wstring add = withCrLf(utf8);
  if (hasLines_) add.insert(0, L"\r\n");
  const LRESULT end = GetWindowTextLengthW(w_);
  SendMessageW(w_, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(w_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(add.c_str()));
  hasLines_ = true;
  SendMessageW(w_, EM_SETMODIFY, wasModified, 0);
}

void Win32TextView::setLines(const std::vector<std::string>& lines) {
  std::wstring all;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) all += L"\r\n";
    all += withCrLf(lines[i]);
  }
  SetWindowTextW(w_, all.c_str());
  hasLines_ = !lines.empty();
}

std::vector<std::string> Win32TextView::lines() const {
  const std::wstring t = text();
  if (t.empty() && !hasLines_) return {};
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = t.find(L"\r\n", start);
    out.push_back(narrow(std::wstring_view(t).substr(start, end == std::wstring::npos ? end : end - start)));
    if (end == std::wstring::npos) break;
    start = end + 2;
  }
  return out;
}

std::string Win32TextView::selectedText() const {
  DWORD from = 0, to = 0;
  SendMessageW(w_, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  const std::wstring t = text();
  if (from >= to || from >= t.size()) return {};
  return withNewlines(std::wstring_view(t).substr(from, std::min<std::size_t>(to, t.size()) - from));
}

void Win32TextView::setReadOnly(bool r) { SendMessageW(w_, EM_SETREADONLY, r ? TRUE : FALSE, 0); }
bool Win32TextView::readOnly() const { return (GetWindowLongPtrW(w_, GWL_STYLE) & ES_READONLY) != 0; }
bool Win32TextView::modified() const { return SendMessageW(w_, EM_GETMODIFY, 0, 0) != 0; }
void Win32TextView::setModified(bool m) { SendMessageW(w_, EM_SETMODIFY, m ? TRUE : FALSE, 0); }
void Win32TextView::setVisible(bool v) { ShowWindow(w_, v ? SW_SHOWNA : SW_HIDE); }
bool Win32TextView::visible() const { return ownVisible(w_); }

// ---- StringGrid1 ----------------------------------------------------------------------------
Win32GridView::Win32GridView(HWND list) : w_(list) {
  for (int c = 0; c < cols_; ++c) {
    LVCOLUMNW col{};
    col.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_FMT;
    col.fmt = LVCFMT_LEFT;
    col.cx = 64;
    col.pszText = const_cast<wchar_t*>(L"");
    SendMessageW(w_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  SendMessageW(w_, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows_ - 1), LVSICF_NOSCROLL);
  header_ = reinterpret_cast<HWND>(SendMessageW(w_, LVM_GETHEADER, 0, 0));
  SetWindowSubclass(w_, &subclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  if (header_) SetWindowSubclass(header_, &subclassProc, 2, reinterpret_cast<DWORD_PTR>(this));
}

Win32GridView::~Win32GridView() {
  if (IsWindow(w_)) RemoveWindowSubclass(w_, &subclassProc, 1);
  if (header_ && IsWindow(header_)) RemoveWindowSubclass(header_, &subclassProc, 2);
}

LRESULT CALLBACK Win32GridView::subclassProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self) {
  const auto* grid = reinterpret_cast<const Win32GridView*>(self);
  if (id == 2) {
    // the header: its fixed items are drawn over it once it has painted itself
    const LRESULT r = DefSubclassProc(w, msg, wp, lp);
    if (msg == WM_PAINT) {
      HDC dc = GetDC(w);
      grid->drawFixedHeader(w, dc);
      ReleaseDC(w, dc);
    }
    return r;
  }
  const LRESULT r = DefSubclassProc(w, msg, wp, lp);
  switch (msg) {
    // the list moves what it has drawn when it scrolls: the fixed cells would move with it
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_KEYDOWN:
    case WM_SIZE:
    case LVM_SCROLL:
    case LVM_ENSUREVISIBLE:
      InvalidateRect(w, nullptr, FALSE);
      if (grid->header_) InvalidateRect(grid->header_, nullptr, FALSE);
      break;
    default:
      break;
  }
  return r;
}

void Win32GridView::setFixed(int cols, int rows) {
  fixedCols_ = cols < 1 ? 1 : cols;
  fixedRows_ = rows < 1 ? 1 : rows;
  InvalidateRect(w_, nullptr, FALSE);
  if (header_) InvalidateRect(header_, nullptr, FALSE);
}

// Never every column or row: one at least scrolls.
int Win32GridView::keptCols() const { return std::clamp(fixedCols_, 1, std::max(cols_ - 1, 1)); }
int Win32GridView::keptRows() const { return std::clamp(fixedRows_ - 1, 0, std::max(rows_ - 2, 0)); }

namespace {
// A fixed cell's text in the font of `control`, left-aligned, never shortened.
void drawFixedText(HDC dc, HWND control, const std::wstring& text, RECT box) {
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
}
}  // namespace

void Win32GridView::drawFixedCell(HDC dc, int col, int row, RECT cell) const {
  FillRect(dc, &cell, GetSysColorBrush(COLOR_BTNFACE));
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  MoveToEx(dc, cell.right - 1, cell.top, nullptr);
  LineTo(dc, cell.right - 1, cell.bottom - 1);
  LineTo(dc, cell.left - 1, cell.bottom - 1);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  if (const std::wstring* s = find(col, row)) drawFixedText(dc, w_, *s, RECT{cell.left + 2, cell.top, cell.right - 1, cell.bottom});
}

// The fixed columns of every row in view, at the list's left edge; then, once the list is
// scrolled down, the fixed rows beyond the header under it.
void Win32GridView::drawFixedRows(HDC dc) const {
  const int top = static_cast<int>(SendMessageW(w_, LVM_GETTOPINDEX, 0, 0));
  const int count = static_cast<int>(SendMessageW(w_, LVM_GETITEMCOUNT, 0, 0));
  RECT first{LVIR_BOUNDS, 0, 0, 0};
  if (count <= 0 || !SendMessageW(w_, LVM_GETITEMRECT, static_cast<WPARAM>(top), reinterpret_cast<LPARAM>(&first)))
    return;
  const int rowHeight = first.bottom - first.top;
  RECT client{};
  GetClientRect(w_, &client);
  auto drawRow = [&](int item, int y, int fromCol) {
    int x = first.left;  // the scrolled columns
    for (int c = 0; c < cols_; ++c) {
      const int width = colWidth(c);
      if (c >= fromCol && c >= keptCols()) drawFixedCell(dc, c, item + 1, RECT{x, y, x + width, y + rowHeight});
      x += width;
    }
    x = 0;  // and the fixed ones over them
    for (int c = 0; c < keptCols(); ++c) {
      const int width = colWidth(c);
      drawFixedCell(dc, c, item + 1, RECT{x, y, x + width, y + rowHeight});
      x += width;
    }
  };
  for (int item = top, y = first.top; item < count && y < client.bottom; ++item, y += rowHeight)
    drawRow(item, y, cols_);  // only the fixed columns
  // the fixed rows at the top of the rows in view, whatever has scrolled under them
  for (int item = 0; item < keptRows() && item < count; ++item) drawRow(item, first.top + item * rowHeight, 0);
}

void Win32GridView::drawFixedHeader(HWND header, HDC dc) const {
  POINT origin{0, 0};  // the list's left edge in the header, which moves left as the list scrolls
  MapWindowPoints(w_, header, &origin, 1);
  if (origin.x <= 0) return;  // not scrolled: the header's own items are where they belong
  RECT rc{};
  GetClientRect(header, &rc);
  int x = origin.x;
  for (int c = 0; c < keptCols(); ++c) {
    const int width = colWidth(c);
    RECT cell{x, rc.top, x + width, rc.bottom};
    FillRect(dc, &cell, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &cell, EDGE_ETCHED, BF_RIGHT | BF_BOTTOM);
    if (const std::wstring* s = find(c, 0)) drawFixedText(dc, header, *s, RECT{cell.left + 4, cell.top, cell.right - 2, cell.bottom});
    x += width;
  }
}

const std::wstring* Win32GridView::find(int col, int row) const {
  auto it = cells_.find({row, col});
  return it == cells_.end() ? nullptr : &it->second;
}

std::string Win32GridView::cell(int col, int row) const {
  if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return {};
  const std::wstring* s = find(col, row);
  return s ? narrow(*s) : std::string();
}

void Win32GridView::setHeader(int col) {
  const std::wstring* s = find(col, 0);
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT;
  c.pszText = const_cast<wchar_t*>(s ? s->c_str() : L"");
  SendMessageW(w_, LVM_SETCOLUMNW, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&c));
}

void Win32GridView::setCell(int col, int row, std::string_view text) {
  if (col < 0 || row < 0 || col >= cols_) return;
  if (text.empty())
    cells_.erase({row, col});
  else
    cells_[{row, col}] = wide(text);
  if (row >= rows_) return;  // kept until the grid grows to this row
  if (row == 0)
    setHeader(col);
  else
    SendMessageW(w_, LVM_REDRAWITEMS, static_cast<WPARAM>(row - 1), row - 1);
}

void Win32GridView::setRowCount(int rows) {
  rows_ = rows < 1 ? 1 : rows;
  std::erase_if(cells_, [this](const auto& kv) { return kv.first.first >= rows_; });  // rows cut off are gone
  SendMessageW(w_, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows_ - 1), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  InvalidateRect(w_, nullptr, FALSE);
}

void Win32GridView::setColCount(int cols) {
  const int target = cols < 1 ? 1 : cols;
  while (cols_ > target) SendMessageW(w_, LVM_DELETECOLUMN, static_cast<WPARAM>(--cols_), 0);
  std::erase_if(cells_, [target](const auto& kv) { return kv.first.second >= target; });
  for (; cols_ < target; ++cols_) {
    LVCOLUMNW col{};
    col.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_FMT;
    col.fmt = LVCFMT_LEFT;
    col.cx = 64;
    col.pszText = const_cast<wchar_t*>(L"");
    SendMessageW(w_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(cols_), reinterpret_cast<LPARAM>(&col));
  }
  InvalidateRect(w_, nullptr, FALSE);
}

int Win32GridView::colWidth(int col) const {
  if (col < 0 || col >= cols_) return 0;
  return static_cast<int>(SendMessageW(w_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(col), 0));
}

void Win32GridView::setColWidth(int col, int width) {
  if (col < 0 || col >= cols_) return;
  SendMessageW(w_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(col), MAKELPARAM(std::clamp(width, 0, 30000), 0));
}

void Win32GridView::clearColumn(int col) {
  const bool header = find(col, 0) != nullptr;
  std::erase_if(cells_, [col](const auto& kv) { return kv.first.second == col; });
  if (header) setHeader(col);
  InvalidateRect(w_, nullptr, FALSE);
}

void Win32GridView::setVisible(bool v) {
  ShowWindow(w_, v ? SW_SHOWNA : SW_HIDE);
  // a hidden list cannot scroll: the row asked for while hidden is brought into view now
  if (v && pendingRow_ > 0) {
    const int row = pendingRow_;
    pendingRow_ = 0;
    showRow(row);
  }
}

bool Win32GridView::visible() const { return ownVisible(w_); }

void Win32GridView::showRow(int row) {
  if (row < 1 || row >= rows_ || cols_ < 2) return;
  if (!ownVisible(w_)) {
    pendingRow_ = row;
    return;
  }
  SendMessageW(w_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row - 1), FALSE);
}

int Win32GridView::topRow() const { return static_cast<int>(SendMessageW(w_, LVM_GETTOPINDEX, 0, 0)) + 1; }

void Win32GridView::fillDisplayInfo(NMLVDISPINFOW& info) const {
  if (!(info.item.mask & LVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0) return;
  const std::wstring* s = find(info.item.iSubItem, info.item.iItem + 1);
  const std::size_t n = s ? std::min<std::size_t>(s->size(), static_cast<std::size_t>(info.item.cchTextMax - 1)) : 0;
  if (n) s->copy(info.item.pszText, n);
  info.item.pszText[n] = L'\0';
}

LRESULT Win32GridView::customDraw(NMLVCUSTOMDRAW& draw) const {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
      // the fixed cells are drawn after the list (and its grid lines), where they stay
      if (draw.iSubItem < keptCols() || static_cast<int>(draw.nmcd.dwItemSpec) < keptRows()) return CDRF_SKIPDEFAULT;
      return CDRF_DODEFAULT;
    case CDDS_POSTPAINT:
      drawFixedRows(draw.nmcd.hdc);
      return CDRF_DODEFAULT;
  }
  return CDRF_DODEFAULT;
}

// ---- StatusBar1, ProgressBar1 ---------------------------------------------------------------
void Win32StatusView::setStatusText(std::string_view s) {
  const std::wstring w = wide(s);
  SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(w.c_str()));
}

std::string Win32StatusView::statusText() const {
  const auto len = LOWORD(SendMessageW(status_, SB_GETTEXTLENGTHW, 0, 0));
  std::wstring s(static_cast<std::size_t>(len) + 1, L'\0');
  SendMessageW(status_, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(s.data()));
  s.resize(len);
  return narrow(s);
}

void Win32StatusView::setProgressVisible(bool v) {
  if (v == progressVisible()) return;
  ShowWindow(bar_, v ? SW_SHOWNA : SW_HIDE);
  if (relayout_) relayout_();
}

bool Win32StatusView::progressVisible() const { return ownVisible(bar_); }
void Win32StatusView::setProgress(int p) { SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(p), 0); }
int Win32StatusView::progress() const { return static_cast<int>(SendMessageW(bar_, PBM_GETPOS, 0, 0)); }
void Win32StatusView::setProgressRange(int minimum, int maximum) {
  SendMessageW(bar_, PBM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
}
int Win32StatusView::progressMaximum() const {
  return static_cast<int>(SendMessageW(bar_, PBM_GETRANGE, FALSE, 0));
}

void Win32StatusView::processEvents() {
  // paints and messages sent or posted to the window; the user's keys and clicks wait in the queue
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that is waiting for it
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// ---- the window -----------------------------------------------------------------------------
void Win32WindowView::setCaption(std::string_view c) { SetWindowTextW(w_, wide(c).c_str()); }
std::string Win32WindowView::caption() const { return narrow(windowText(w_)); }

void Win32WindowView::setPanelVisible(bool v) {
  ShowWindow(panel_, v ? SW_SHOWNA : SW_HIDE);
  if (v && relayout_) relayout_();
}

bool Win32WindowView::panelVisible() const { return ownVisible(panel_); }

void Win32WindowView::setMenuEnabled(std::string_view itemName, bool enabled) {
  auto it = items_.find(itemName);
  if (it == items_.end()) return;
  EnableMenuItem(it->second.first, it->second.second, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool Win32WindowView::menuEnabled(std::string_view itemName) const {
  auto it = items_.find(itemName);
  if (it == items_.end()) return false;
  const UINT state = GetMenuState(it->second.first, it->second.second, MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

void Win32WindowView::close() {
  // the close check runs in the window's WM_CLOSE, shown or not
  SendMessageW(w_, WM_CLOSE, 0, 0);
}

}  // namespace mrv
