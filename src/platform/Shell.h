#pragma once
// The desktop's shell: open a document with its viewer, start a program. Neither waits.
#include <memory>
#include <string>
#include <vector>

namespace mrv {

class Shell {
 public:
  // ShellExecute "open": the desktop's viewer for the file type. False when it could not be started.
  virtual bool openDocument(const std::string& path) = 0;
  // CreateProcess of a program with its arguments, without a shell; not waited for.
  virtual bool startProgram(const std::string& program, const std::vector<std::string>& args) = 0;
  virtual ~Shell() = default;
};

// The desktop shell of the machine running the program (linux/ or win32/).
std::unique_ptr<Shell> openNativeShell();

}  // namespace mrv
