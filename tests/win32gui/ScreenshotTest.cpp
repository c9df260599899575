// With MERVANA_SCREENSHOT_DIR set, saves pictures (BMP) of the Win32 window for a person to look
// at: the start window, the grid after Read of a recorded PC, each menu opened, the search view,
// the disk report of a failing drive and the history chart. Skipped otherwise.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "collect/FakeSystemServices.h"
#include "app/MenuTable.h"
#include "disk/DiskReport.h"
#include "disk/HistoryChart.h"
#include "platform/Environment.h"
#include "platform/PlatformServices.h"
#include "win32gui/MainWindow.h"
#include "win32gui/Win32TestSupport.h"

using namespace mrv;
using namespace mrv::testing;

namespace {

std::string data(const std::string& relative) {
  return (std::filesystem::path(MERVANA_SOURCE_DIR) / "tests" / "data" / relative).string();
}

void pump(int ms) {
  const DWORD until = GetTickCount() + static_cast<DWORD>(ms);
  MSG msg;
  while (GetTickCount() < until) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

// The screen's pixels inside the rectangle, as a 24-bit BMP file.
bool saveScreen(const RECT& r, const std::string& path) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = static_cast<DWORD>((w * 3 + 3) & ~3);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + stride * static_cast<DWORD>(h);
  std::ofstream out(std::filesystem::u8path(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
  out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
  out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride * static_cast<DWORD>(h)));
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return static_cast<bool>(out);
}

bool saveWindow(HWND w, const std::string& path) {
  pump(300);
  RECT r;
  GetWindowRect(w, &r);
  return saveScreen(r, path);
}

// Opens the menu bar's menu at `index` under its caption and saves the window with it.
struct MenuShot {
  HWND window;
  RECT area;
  std::string path;
  bool saved = false;
};
MenuShot* currentShot = nullptr;

void CALLBACK takeMenuShot(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (!currentShot) return;
  RECT r = currentShot->area;
  if (HWND popup = FindWindowW(L"#32768", nullptr)) {  // the open menu
    RECT m;
    GetWindowRect(popup, &m);
    UnionRect(&r, &r, &m);
  }
  currentShot->saved = saveScreen(r, currentShot->path);
  EndMenu();
}

bool saveMenu(MainWindow& window, wchar_t mnemonic, const std::string& path) {
  pump(200);
  MenuShot shot{window.hwnd(), {}, path};
  GetWindowRect(window.hwnd(), &shot.area);
  currentShot = &shot;
  SetTimer(nullptr, 0, 400, &takeMenuShot);
  // as Alt and the menu's letter open it; the menu loop runs until the timer ends it
  SendMessageW(window.hwnd(), WM_SYSCOMMAND, SC_KEYMENU, mnemonic);
  currentShot = nullptr;
  return shot.saved;
}

// The letter after '&' in a caption.
wchar_t mnemonicOf(std::string_view caption) {
  const auto at = caption.find('&');
  return at == std::string_view::npos || at + 1 >= caption.size() ? L'\0' : static_cast<wchar_t>(caption[at + 1]);
}

}  // namespace

TEST(Win32Screenshots, OnRequest) {
  const auto dirVar = EnvironmentVariable("MERVANA_SCREENSHOT_DIR");
  if (!dirVar || dirVar->empty()) GTEST_SKIP() << "MERVANA_SCREENSHOT_DIR not set";
  const std::string dir = *dirVar + "\\";

  Sources sources;
  sources.registry = data("recorded\\office-pc-2006.reg");
  sources.cpuid = data("recorded\\office-pc-2006.cpuid");
  sources.drives = data("drives\\pc-degrading\\4-failing");
  PlatformServices services(sources);
  for (const auto& m : services.messages()) std::cerr << m << "\n";
  MainWindow window(services.platform(), "C:\\nonexistent\\mervana.exe");
  TForm1& form = window.form();
  form.FormCreate({});
  window.show(SW_SHOWNORMAL);
  auto command = [&](std::string_view name) {
    SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(window.commandId(name), 0), 0);
  };

  EXPECT_TRUE(saveWindow(window.hwnd(), dir + "window-start.bmp"));
  command("Read1");
  EXPECT_TRUE(saveWindow(window.hwnd(), dir + "window-read.bmp"));
  for (const auto& menu : MainMenu1())
    EXPECT_TRUE(saveMenu(window, mnemonicOf(menu.caption), dir + "menu-" + std::string(menu.name) + ".bmp"));

  command("SearchStr1");
  form.memo().setLines({"Windows"});
  EXPECT_TRUE(saveWindow(window.hwnd(), dir + "search-input.bmp"));
  command("LOCALMACHINE1");
  EXPECT_TRUE(saveWindow(window.hwnd(), dir + "search-result.bmp"));

  command("HDD1");
  EXPECT_TRUE(saveWindow(window.hwnd(), dir + "disk-report.bmp"));

  form.resetView();  // as the history chart command starts
  LoadHistoryGrid(form.grid(), data("drives\\pc-degrading\\expected-history.csv"));
  ShowHistoryChartFromGrid(form, form.chartPanel());
  EXPECT_TRUE(saveWindow(window.hwnd(), dir + "chart.bmp"));
  form.memo().setModified(false);
}
