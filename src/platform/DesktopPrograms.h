#pragma once
// What a desktop without a Windows registry says about its programs: which program opens a file
// type (the shared-mime-info glob database and the mimeapps.list defaults, answered as
// `xdg-mime query default` answers), and what the package that installed a program says of it.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

// Where the desktop keeps what the service reads; fromEnvironment() takes the XDG variables
// (with their documented defaults), PATH and the system's package database.
struct DesktopDirs {
  std::string configHome;                    // $XDG_CONFIG_HOME
  std::vector<std::string> configDirs;       // $XDG_CONFIG_DIRS
  std::string dataHome;                      // $XDG_DATA_HOME
  std::vector<std::string> dataDirs;         // $XDG_DATA_DIRS
  std::vector<std::string> currentDesktops;  // $XDG_CURRENT_DESKTOP
  std::vector<std::string> path;             // $PATH
  std::string packageDatabase;               // the dpkg database folder ("/var/lib/dpkg")
  std::string docRoot;                       // package documentation ("/usr/share/doc")
  static DesktopDirs fromEnvironment();
};

// The facts a package database holds about the package that installed a file.
struct PackageFacts {
  std::string package;
  std::string version;
  std::string maintainer;
  std::string description;  // the one-line synopsis
  std::string copyright;    // the first copyright line of the package's copyright file
};

class DesktopPrograms {
 public:
  // The program of the default application for a file type: an extension with its dot (".txt"),
  // a file name, or a MIME type ("text/plain"). It is the first word of the application's Exec
  // line, as a path when PATH holds it. Empty when no application is registered for the type.
  virtual std::string defaultProgram(std::string_view fileType) = 0;
  // The package that installed the file (followed through symbolic links). False when no package
  // of the database owns it.
  virtual bool owningPackage(const std::string& path, PackageFacts& facts) = 0;
  virtual ~DesktopPrograms() = default;
};

// This desktop's service; null where programs are registered in the Windows registry instead.
std::unique_ptr<DesktopPrograms> openDesktopPrograms();
std::unique_ptr<DesktopPrograms> openDesktopPrograms(DesktopDirs dirs);

}  // namespace mrv
