// Fixed rows and columns of StringGrid1 in Win32: the disk report's three columns and the history
// table's two header lines stay where they are, grey, while the list scrolls under them.
#include <gtest/gtest.h>

#include "win32gui/MainWindow.h"
#include "win32gui/Win32TestSupport.h"

using namespace mrv;
using namespace mrv::testing;

namespace {

class Win32FixedCells : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<MainWindow>(platform, "C:\\nonexistent\\mervana.exe");
    window->form().FormCreate({});
    window->show(SW_SHOWNA);
    MoveWindow(window->hwnd(), 0, 0, 749, 488, TRUE);
    GridView& g = window->form().grid();
    // a report-shaped grid: 60 rows, 11 columns, wider than the window
    g.setColCount(11);
    g.setRowCount(60);
    g.setColWidth(0, 28);
    g.setColWidth(1, 160);
    g.setColWidth(2, 110);
    for (int c = 3; c < 11; ++c) g.setColWidth(c, 150);
    for (int r = 0; r < 60; ++r)
      for (int c = 0; c < 11; ++c) g.setCell(c, r, r == 0 ? "H" : "");
    g.setVisible(true);
  }
  HWND list() { return window->StringGrid1(); }
  COLORREF pixel(int x, int y) {
    UpdateWindow(list());
    HDC dc = GetDC(list());
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(list(), dc);
    return c;
  }
  // the middle of the list's n-th row in view (0 the first under the header), and its height
  int rowY(int n) {
    RECT r{LVIR_BOUNDS, 0, 0, 0};
    const auto top = SendMessageW(list(), LVM_GETTOPINDEX, 0, 0);
    SendMessageW(list(), LVM_GETITEMRECT, static_cast<WPARAM>(top), reinterpret_cast<LPARAM>(&r));
    return r.top + (r.bottom - r.top) * n + (r.bottom - r.top) / 2;
  }
  Platform platform;
  std::unique_ptr<MainWindow> window;
};

const COLORREF kFixed = GetSysColor(COLOR_BTNFACE);

}  // namespace

TEST_F(Win32FixedCells, ThreeFixedColumnsStayAtTheLeftWhenScrolledRight) {
  window->form().grid().setFixed(3, 1);
  SendMessageW(list(), LVM_SCROLL, 2000, 0);
  ASSERT_GT(GetScrollPos(list(), SB_HORZ), 0);
  // the right end of the Japanese name column (28 + 160 + 110), blank there: grey, not a
  // scrolled column's white
  EXPECT_EQ(pixel(28 + 160 + 100, rowY(3)), kFixed);
  EXPECT_EQ(pixel(28 + 20, rowY(3)), kFixed);
  EXPECT_NE(pixel(28 + 160 + 110 + 40, rowY(3)), kFixed);  // the first column in view after them
  // one fixed column again: the name column scrolls away
  window->form().grid().setFixed(1, 1);
  EXPECT_NE(pixel(28 + 160 + 100, rowY(3)), kFixed);
}

TEST_F(Win32FixedCells, TwoFixedRowsKeepTheSecondHeaderLineWhenScrolledDown) {
  window->form().grid().setFixed(1, 2);
  SendMessageW(list(), LVM_SCROLL, 0, 400);
  ASSERT_GT(SendMessageW(list(), LVM_GETTOPINDEX, 0, 0), 10);
  EXPECT_EQ(pixel(350, rowY(0)), kFixed);  // grid row 1 under the header
  EXPECT_NE(pixel(350, rowY(1)), kFixed);  // a data row
}
