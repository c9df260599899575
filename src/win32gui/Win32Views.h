#pragma once
// The component interfaces over Win32 controls: Memo1 is a multi-line EDIT, StringGrid1 a
// report-style ListView whose rows are drawn from the cells kept here (a virtual list), the status
// bar and progress bar are the common controls, and the window's menu items are its menu bar's.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <string>

#include "ui/Views.h"

namespace mrv {

// The face every text of the window uses, and its height in pixels at the given dots per inch.
inline constexpr const wchar_t* kUiFace = L"ＭＳ Ｐゴシック";
HFONT createUiFont(int pixels, int dpi, bool bold = false);
// Pixels at 96 dots per inch scaled to the given dots per inch.
inline int scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }
// Whether a window's own visible flag is set (its parent may still be hidden).
inline bool ownVisible(HWND w) { return w && (GetWindowLongPtrW(w, GWL_STYLE) & WS_VISIBLE) != 0; }

class Win32TextView : public TextView {
 public:
  explicit Win32TextView(HWND edit) : w_(edit) {}
  void clear() override;
  void appendLine(std::string_view utf8) override;
  void setLines(const std::vector<std::string>& lines) override;
  std::vector<std::string> lines() const override;
  std::string selectedText() const override;
  void setReadOnly(bool) override;
  bool readOnly() const override;
  bool modified() const override;
  void setModified(bool) override;
  void setVisible(bool) override;
  bool visible() const override;

  std::wstring text() const;

 private:
  HWND w_;
  bool hasLines_ = false;  // an empty text and one empty line look alike in the control
};

// Grid row 0 is the ListView's header; column 0 is its first column, the row labels. The fixed
// columns are drawn grey at the list's left edge over whatever has scrolled under them, and the
// fixed rows beyond the header at its top once the list is scrolled down; the header's fixed
// items are drawn over the header the same way. The list and its header are subclassed so that a
// scroll repaints them whole.
class Win32GridView : public GridView {
 public:
  explicit Win32GridView(HWND list);
  ~Win32GridView() override;
  Win32GridView(const Win32GridView&) = delete;
  Win32GridView& operator=(const Win32GridView&) = delete;
  std::string cell(int col, int row) const override;
  void setCell(int col, int row, std::string_view text) override;
  int rowCount() const override { return rows_; }
  void setRowCount(int rows) override;
  int colCount() const override { return cols_; }
  void setColCount(int cols) override;
  int colWidth(int col) const override;
  void setColWidth(int col, int width) override;
  void clearColumn(int col) override;
  void setVisible(bool) override;
  bool visible() const override;
  void showRow(int row) override;
  void setFixed(int cols, int rows) override;
  int fixedCols() const override { return fixedCols_; }
  int fixedRows() const override { return fixedRows_; }

  // The ListView asks for a cell's text (LVN_GETDISPINFOW).
  void fillDisplayInfo(NMLVDISPINFOW& info) const;
  // Draws the fixed columns and rows (NM_CUSTOMDRAW): grey like the header, their text from two
  // pixels in and never shortened with an ellipsis, so a narrow column of row numbers still shows
  // them.
  LRESULT customDraw(NMLVCUSTOMDRAW& draw) const;
  // The first grid row in view (1 at the top).
  int topRow() const;

 private:
  void setHeader(int col);
  const std::wstring* find(int col, int row) const;
  // Columns and rows (beyond the header) kept in view, as many as the grid has to spare.
  int keptCols() const;
  int keptRows() const;
  void drawFixedCell(HDC dc, int col, int row, RECT cell) const;
  void drawFixedRows(HDC dc) const;
  void drawFixedHeader(HWND header, HDC dc) const;
  static LRESULT CALLBACK subclassProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);

  HWND w_;
  HWND header_;
  int rows_ = 5, cols_ = 5;
  int fixedCols_ = 1, fixedRows_ = 1;
  int pendingRow_ = 0;
  // every cell written, rows beyond the row count included (the record writes a row before it
  // enlarges the grid); the control shows rows below rows_
  std::map<std::pair<int, int>, std::wstring> cells_;  // (row, col)
};

class Win32StatusView : public StatusView {
 public:
  // `relayout` runs when the progress bar appears or goes, so the views above it make room.
  Win32StatusView(HWND statusBar, HWND progressBar, std::function<void()> relayout)
      : status_(statusBar), bar_(progressBar), relayout_(std::move(relayout)) {}
  void setStatusText(std::string_view) override;
  std::string statusText() const override;
  void setProgressVisible(bool) override;
  bool progressVisible() const override;
  void setProgress(int position) override;
  int progress() const override;
  void setProgressRange(int minimum, int maximum) override;
  int progressMaximum() const override;
  void processEvents() override;

 private:
  HWND status_;
  HWND bar_;
  std::function<void()> relayout_;
};

class Win32WindowView : public WindowView {
 public:
  Win32WindowView(HWND window, HWND panel, std::function<void()> relayout)
      : w_(window), panel_(panel), relayout_(std::move(relayout)) {}
  void addMenuItem(const std::string& name, HMENU menu, UINT id) { items_[name] = {menu, id}; }
  void setCaption(std::string_view) override;
  std::string caption() const override;
  void setPanelVisible(bool) override;
  bool panelVisible() const override;
  void setMenuEnabled(std::string_view itemName, bool enabled) override;
  bool menuEnabled(std::string_view itemName) const override;
  void close() override;

 private:
  HWND w_;
  HWND panel_;
  std::function<void()> relayout_;
  std::map<std::string, std::pair<HMENU, UINT>, std::less<>> items_;
};

}  // namespace mrv
