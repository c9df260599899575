// Form1 in Win32: the same view tests the Qt window passes, against the Win32 controls.
#include <gtest/gtest.h>

#include "app/MenuTable.h"
#include "records/InventoryRecord.h"
#include "win32gui/MainWindow.h"
#include "records/ItemCatalogue.h"
#include "win32gui/Win32TestSupport.h"

using namespace mrv;
using namespace mrv::testing;

namespace {

class Win32MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<MainWindow>(platform, "C:\\nonexistent\\mervana.exe");
    window->form().FormCreate({});
  }
  void command(std::string_view name) {
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(window->commandId(name), 0), 0);
  }
  bool enabled(std::string_view name) {
    const UINT s = GetMenuState(window->MainMenu1(), window->commandId(name), MF_BYCOMMAND);
    return s != static_cast<UINT>(-1) && !(s & (MF_GRAYED | MF_DISABLED));
  }
  Platform platform;
  std::unique_ptr<MainWindow> window;
};

LOGFONTW fontOf(HWND w) {
  LOGFONTW lf{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  return lf;
}

}  // namespace

TEST_F(Win32MainWindow, StartsAsTheInteractiveWindow) {
  EXPECT_EQ(windowText(window->hwnd()), "Mervana");
  ASSERT_EQ(window->dpi(), 96) << "the sizes below are those at 96 dots per inch";
  RECT r{0, 0, 749, 488};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(window->hwnd(), GWL_STYLE)), TRUE, 0);
  RECT w;
  GetWindowRect(window->hwnd(), &w);
  EXPECT_EQ(w.right - w.left, r.right - r.left);
  EXPECT_EQ(w.bottom - w.top, r.bottom - r.top);
  const LOGFONTW memo = fontOf(window->Memo1());
  EXPECT_EQ(memo.lfHeight, -16);
  EXPECT_EQ(std::wstring(memo.lfFaceName), L"ＭＳ Ｐゴシック");
  EXPECT_EQ(fontOf(window->StringGrid1()).lfHeight, -12);
  EXPECT_FALSE(hidden(window->Memo1()));
  EXPECT_FALSE(GetWindowLongPtrW(window->Memo1(), GWL_STYLE) & ES_READONLY);
  const auto memoStyle = GetWindowLongPtrW(window->Memo1(), GWL_STYLE);
  EXPECT_TRUE((memoStyle & WS_VSCROLL) && (memoStyle & WS_HSCROLL) && (memoStyle & ES_MULTILINE));
  EXPECT_TRUE(hidden(window->StringGrid1()));
  EXPECT_TRUE(hidden(window->chartPanel().hwnd()));
  EXPECT_TRUE(hidden(window->ProgressBar1()));
}

TEST_F(Win32MainWindow, MenusFollowTheTableWithSeparators) {
  HMENU bar = window->MainMenu1();
  const auto table = MainMenu1();
  ASSERT_EQ(GetMenuItemCount(bar), static_cast<int>(table.size()));
  wchar_t buf[256];
  for (std::size_t m = 0; m < table.size(); ++m) {
    GetMenuStringW(bar, static_cast<UINT>(m), buf, 256, MF_BYPOSITION);
    EXPECT_EQ(narrow(buf), table[m].caption);
    HMENU popup = GetSubMenu(bar, static_cast<int>(m));
    std::vector<std::string> got, expected;
    std::size_t item = 0;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE | MIIM_ID;
      GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &info);
      if (info.fType & MFT_SEPARATOR) {
        got.push_back("-");
      } else {
        GetMenuStringW(popup, static_cast<UINT>(i), buf, 256, MF_BYPOSITION);
        got.push_back(narrow(buf));
        if (item < table[m].items.size()) {
          EXPECT_EQ(info.wID, window->commandId(table[m].items[item].name));
          ++item;
        }
      }
    }
    for (const auto& item : table[m].items) {
      if (item.separatorBefore) expected.push_back("-");
      expected.emplace_back(item.caption);
    }
    EXPECT_EQ(got, expected) << table[m].name;
  }
  EXPECT_FALSE(enabled("Save1"));
  EXPECT_TRUE(enabled("Read1"));
  // a disabled item chosen anyway (a stale accelerator) does nothing
  command("Save1");
  EXPECT_EQ(windowText(window->hwnd()), "Mervana");
}

TEST_F(Win32MainWindow, ReadShowsTheRecordInTheGrid) {
  command("Read1");
  HWND grid = window->StringGrid1();
  EXPECT_FALSE(hidden(grid));
  EXPECT_TRUE(hidden(window->Memo1()));
  EXPECT_EQ(headerText(grid, 1), "ItemName");
  EXPECT_EQ(listText(grid, 0, 1), "CSVファイル名");
  EXPECT_EQ(listText(grid, 0, 0), "1");
  EXPECT_EQ(SendMessageW(grid, LVM_GETCOLUMNWIDTH, 2, 0), 480);  // the values' column
  EXPECT_EQ(window->gridView().colWidth(2), 480);
  EXPECT_EQ(window->form().memo().lines().size(), 190u);
  EXPECT_TRUE(enabled("Save1"));
  // the record's rows are the list's items, and the row height is the grid's
  EXPECT_GE(SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0), 189);
  RECT item{LVIR_BOUNDS, 0, 0, 0};
  SendMessageW(grid, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(item.bottom - item.top, 16);
}

// Rows 10, 20, 30 ... are written before the grid grows to them: the list must still show them.
TEST_F(Win32MainWindow, EveryGridRowShowsItsRecordLinePastAHundredRows) {
  TForm1& form = window->form();
  form.grid().setRowCount(10);
  form.grid().setColCount(3);
  form.memo().clear();
  int counter = 1;
  InventoryRecord record(form.grid(), form.memo(), counter);
  for (int i = 1; i <= kStandardRows; ++i) record.addValueRow("item " + std::to_string(i));
  std::vector<std::string> installed;
  for (int i = 0; i < 123; ++i) installed.push_back("program " + std::to_string(i));
  record.closeRecord(installed, {"0@KB1"});
  const std::vector<std::string> lines = form.memo().lines();
  ASSERT_EQ(lines.size(), 214u);
  HWND grid = window->StringGrid1();
  ASSERT_GE(SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0), 214);
  for (int row = 1; row <= 214; ++row) EXPECT_EQ(listText(grid, row - 1, 2), lines[row - 1]) << row;
}

TEST_F(Win32MainWindow, GridKeepsValuesPastTheLastRowAndDropsRowsCutOff) {
  GridView& g = window->form().grid();
  g.setRowCount(3);
  g.setColCount(3);
  g.setCell(1, 5, "later");
  EXPECT_EQ(g.cell(1, 5), "");
  g.setRowCount(6);
  EXPECT_EQ(g.cell(1, 5), "later");
  EXPECT_EQ(listText(window->StringGrid1(), 4, 1), "later");
  g.setRowCount(3);
  g.setRowCount(6);
  EXPECT_EQ(g.cell(1, 5), "");  // cut off, not kept
  g.setCell(7, 1, "no such column");
  EXPECT_EQ(g.cell(7, 1), "");
  g.setCell(2, 0, "見出し");
  EXPECT_EQ(headerText(window->StringGrid1(), 2), "見出し");
  g.clearColumn(2);
  EXPECT_EQ(headerText(window->StringGrid1(), 2), "");
  g.setColCount(2);
  EXPECT_EQ(listColumns(window->StringGrid1()), 2);
}

TEST_F(Win32MainWindow, ShowRowAskedWhileHiddenScrollsWhenTheGridIsShown) {
  window->show(SW_SHOWNA);
  GridView& g = window->form().grid();
  g.setVisible(false);
  g.setRowCount(300);
  g.setColCount(3);
  g.showRow(250);
  EXPECT_EQ(window->gridView().topRow(), 1);
  g.setVisible(true);
  const int top = window->gridView().topRow();
  EXPECT_GT(top, 200);
  EXPECT_LE(top, 250);
}

TEST_F(Win32MainWindow, MemoKeepsLinesAndTheModifiedFlag) {
  TextView& m = window->form().memo();
  m.clear();
  EXPECT_TRUE(m.lines().empty());
  m.appendLine("");
  EXPECT_EQ(m.lines(), std::vector<std::string>{""});  // one empty line is not an empty text
  m.appendLine("二行目");
  EXPECT_EQ(m.lines(), (std::vector<std::string>{"", "二行目"}));
  EXPECT_FALSE(m.modified());
  m.setModified(true);
  m.appendLine("三");
  EXPECT_TRUE(m.modified());
  m.setLines({"a", "b,c", "ｄ"});
  EXPECT_EQ(m.lines(), (std::vector<std::string>{"a", "b,c", "ｄ"}));
  SendMessageW(window->Memo1(), EM_SETSEL, 3, 8);  // b , c CR LF
  EXPECT_EQ(m.selectedText(), "b,c\n");
  // longer than an EDIT control's default limit of 32K characters
  std::vector<std::string> many(5000, std::string(20, 'x'));
  m.setLines(many);
  EXPECT_EQ(m.lines().size(), 5000u);
  m.appendLine("last");
  EXPECT_EQ(m.lines().back(), "last");
  m.setReadOnly(true);
  EXPECT_TRUE(m.readOnly());
}

TEST_F(Win32MainWindow, StatusBarAndProgressBar) {
  StatusView& s = window->form().status();
  s.setStatusText("読み取り中");
  EXPECT_EQ(s.statusText(), "読み取り中");
  RECT memoBefore;
  GetWindowRect(window->Memo1(), &memoBefore);
  s.setProgressVisible(true);
  EXPECT_TRUE(s.progressVisible());
  RECT memoAfter;
  GetWindowRect(window->Memo1(), &memoAfter);
  EXPECT_EQ(memoBefore.bottom - memoAfter.bottom, 16);  // the bar takes its row above the status bar
  s.setProgressRange(0, 250);
  s.setProgress(120);
  EXPECT_EQ(s.progress(), 120);
  EXPECT_EQ(s.progressMaximum(), 250);
  s.processEvents();
  s.setProgressVisible(false);
  EXPECT_FALSE(s.progressVisible());
}

TEST_F(Win32MainWindow, PromptDialogIsForm2AndTakesTheAnswer) {
  DialogDriver driver(kForm2Caption, [](HWND dlg) {
    RECT c;
    GetClientRect(dlg, &c);
    EXPECT_EQ(c.right, 433);
    EXPECT_EQ(c.bottom, 146);
    EXPECT_EQ(windowText(GetDlgItem(dlg, kForm2Label1)), "部署は?");
    RECT e;
    GetWindowRect(GetDlgItem(dlg, kForm2Edit1), &e);
    EXPECT_EQ(e.right - e.left, 393);
    SetWindowTextW(GetDlgItem(dlg, kForm2Edit1), L"a,b");
    clickButton(dlg, IDOK);
  });
  window->form().rowCounter() = 1;
  window->form().AskValue("部署は?");
  EXPECT_TRUE(driver.acted());
  EXPECT_EQ(window->form().memo().lines(), std::vector<std::string>{"a b"});
}

TEST_F(Win32MainWindow, PromptClosedByTheCloseBoxKeepsWhatWasTyped) {
  DialogDriver driver(kForm2Caption, [](HWND dlg) {
    SetWindowTextW(GetDlgItem(dlg, kForm2Edit1), L"総務");
    PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(window->form().dialogs().prompt("?"), "総務");
  EXPECT_TRUE(driver.acted());
}

TEST_F(Win32MainWindow, QuestionsAnswerWithTheButtonChosen) {
  Dialogs& d = window->form().dialogs();
  {
    std::string seen;
    DialogDriver driver(L"変更がありました", [&seen](HWND box) {
      seen = messageBoxText(box);
      clickButton(box, IDCANCEL);
    });
    EXPECT_FALSE(d.confirm("変更がありました", "変更を保存しなくてよろしいか"));
    EXPECT_EQ(seen, "変更を保存しなくてよろしいか");
  }
  {
    DialogDriver driver(L"確認", [](HWND box) { clickButton(box, IDNO); });
    EXPECT_EQ(d.askYesNoCancel("確認", "保存しますか"), Dialogs::Answer::No);
  }
  {
    DialogDriver driver(L"確認", [](HWND box) { clickButton(box, IDYES); });
    EXPECT_TRUE(d.askYesNo("確認", "続けますか"));
  }
  {
    // an empty caption is the program's name
    DialogDriver driver(L"Mervana", [](HWND box) { clickButton(box, IDOK); });
    d.message("", "終わりました", Dialogs::Kind::Information);
    EXPECT_TRUE(driver.acted());
  }
}

TEST_F(Win32MainWindow, ExitAsksNothingWithoutChangesAndClosesTheWindow) {
  command("Exit1");
  EXPECT_FALSE(IsWindow(window->hwnd()));
}
