#include "app/BatchRun.h"

#include <iostream>

#include "ui/MemoryViews.h"
#include "app/TForm1.h"
#include "platform/Environment.h"

namespace mrv {

int RunBatchWithoutDisplay(const StartOptions& options, const Settings& settings, const std::string& programPath,
                           const Platform& platform) {
  MemoryTextView memo;
  MemoryGridView grid;
  MemoryStatusView status;
  MemoryWindowView window;
  ConsoleDialogs dialogs;
  TForm1 form(memo, grid, status, window, dialogs, platform, programPath);
  form.FormCreate(options, settings);
  if (form.timerEnabled()) {
    SleepMilliseconds(form.timerInterval());
    form.Timer1Timer();
  }
  return form.exitStatus();
}

}  // namespace mrv
