#pragma once
// What a command of the main window may use: the window's components, the platform, and the two
// shared steps every command runs through (the unsaved-changes question and the view reset).
// TForm1 implements it; command code in other folders takes it instead of the window class.
#include <string>

#include "ui/Views.h"
#include "platform/Platform.h"

namespace mrv {

class FormServices {
 public:
  virtual TextView& memo() = 0;
  virtual GridView& grid() = 0;
  virtual StatusView& status() = 0;
  virtual WindowView& window() = 0;
  virtual Dialogs& dialogs() = 0;
  virtual const Platform& platform() const = 0;
  // The unsaved-changes question: true means "go on", false "abandon".
  virtual bool askUnsavedChanges() = 0;
  // Reset the view: text view shown, emptied and read-only; grid hidden; Save1 and SaveSetting1
  // disabled; progress bar hidden; status text empty.
  virtual void resetView() = 0;
  // Folder that holds the program, with no trailing separator.
  virtual std::string programDir() const = 0;
  virtual ~FormServices() = default;
};

}  // namespace mrv
