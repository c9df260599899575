#pragma once
// Message boxes, the prompt dialog Form2 and the file-open dialog, as modal Win32 dialogs owned by
// the main window.
#include <windows.h>

#include "ui/Views.h"

namespace mrv {

// Form2: "Dorvel：問い合わせ", a 433 × 146 client area with the question (Label1), the answer field
// (Edit1) and OK (Button1). Its control identifiers, for whoever drives it.
inline constexpr int kForm2Label1 = 101;
inline constexpr int kForm2Edit1 = 102;
inline constexpr const wchar_t* kForm2Caption = L"Dorvel：問い合わせ";

class Win32Dialogs : public Dialogs {
 public:
  explicit Win32Dialogs(HWND owner) : owner_(owner) {}
  bool confirm(std::string_view caption, std::string_view text) override;
  void message(std::string_view caption, std::string_view text, Kind kind) override;
  bool askYesNo(std::string_view caption, std::string_view text) override;
  Answer askYesNoCancel(std::string_view caption, std::string_view text) override;
  // Shows Form2 modally; what was typed when it closed, by OK or by the close box.
  std::string prompt(std::string_view question) override;
  // `filter` pairs a description with its patterns: "CSV files (*.csv)|*.CSV".
  std::string openFile(std::string_view startDir, std::string_view filter) override;

 private:
  int box(std::string_view caption, std::string_view text, UINT type);
  HWND owner_;
};

}  // namespace mrv
