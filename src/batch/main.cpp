// The program's entry without the window library: support commands and batch runs load no window
// code. Where the window is a program of its own (MERVANA_WINDOW_PROGRAM, Linux), this one becomes
// it when a display answers.
#include "app/ProgramEntry.h"
#include "platform/Environment.h"

int main(int argc, char** argv) {
  using namespace mrv;
  const auto args = ProgramArguments(argc, argv);
  const std::string programPath = ProgramFilePath(argc > 0 ? argv[0] : nullptr);
#ifdef MERVANA_WINDOW_PROGRAM
  return RunOrStartWindow(args, programPath, MERVANA_WINDOW_PROGRAM);
#else
  return RunWithoutWindow(args, programPath);
#endif
}
