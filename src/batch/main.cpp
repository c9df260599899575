// The program without its window: support commands and batch runs load no window library.
#include "app/ProgramEntry.h"
#include "platform/Environment.h"

int main(int argc, char** argv) {
  using namespace mrv;
  return RunWithoutWindow(ProgramArguments(argc, argv), ProgramFilePath(argc > 0 ? argv[0] : nullptr));
}
