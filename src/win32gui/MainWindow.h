#pragma once
// Form1: the Win32 window. It owns the controls and the component adapters over them; every
// command runs in TForm1, the window only draws and forwards.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/TForm1.h"
#include "win32gui/Win32ChartPanel.h"
#include "win32gui/Win32Dialogs.h"
#include "win32gui/Win32ScreenInfo.h"
#include "win32gui/Win32Views.h"

namespace mrv {

class MainWindow {
 public:
  MainWindow(const Platform& platform, const std::string& programPath);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  TForm1& form() { return *form_; }
  HWND hwnd() const { return hwnd_; }
  HWND Memo1() const { return memo1_; }
  HWND StringGrid1() const { return grid1_; }
  HWND StatusBar1() const { return status1_; }
  HWND ProgressBar1() const { return progress1_; }
  HMENU MainMenu1() const { return menu_; }
  Win32ChartPanel& chartPanel() { return *panel1_; }
  Win32GridView& gridView() { return *gridView_; }
  Win32TextView& memoView() { return *memoView_; }
  // The menu command identifier of an item of the menu table; 0 for a name it does not have.
  UINT commandId(std::string_view itemName) const;
  int dpi() const { return dpi_; }
  HFONT uiFont() const { return font_; }
  HFONT memoFont() const { return memoFont_; }

  // Ends the message loop when the window is destroyed (the program's own window).
  void setQuitOnDestroy(bool q) { quitOnDestroy_ = q; }
  void show(int how);

 private:
  static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
  void createControls();
  void buildMenus();
  void makeFonts();
  void setRowHeight();
  void layout();
  void runCommand(std::string_view name);

  HWND hwnd_ = nullptr;
  HWND memo1_ = nullptr, grid1_ = nullptr, status1_ = nullptr, progress1_ = nullptr;
  HMENU menu_ = nullptr;
  HFONT font_ = nullptr, boldFont_ = nullptr, memoFont_ = nullptr;
  HIMAGELIST rowHeight_ = nullptr;
  int dpi_ = 96;
  bool quitOnDestroy_ = false;
  std::vector<std::string> commandNames_;  // by command identifier - kFirstCommand
  std::unique_ptr<Win32ChartPanel> panel1_;
  std::unique_ptr<Win32TextView> memoView_;
  std::unique_ptr<Win32GridView> gridView_;
  std::unique_ptr<Win32StatusView> statusView_;
  std::unique_ptr<Win32WindowView> windowView_;
  std::unique_ptr<Win32Dialogs> dialogs_;
  std::unique_ptr<Win32ScreenInfo> screen_;
  std::unique_ptr<TForm1> form_;
};

// The interactive program: start-up, the window, its message loop. The exit status.
int RunMainWindow(const StartOptions& options, const Settings& settings, const std::string& programPath,
                  const Platform& platform, const std::vector<std::string>& sourceMessages);

}  // namespace mrv
