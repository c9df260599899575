#pragma once
// Which source serves each platform service, from the INI file's [Sources] section. An empty entry
// means the machine itself.
#include <string>

namespace mrv {

struct Sources {
  std::string registry;      // a .reg file, or a folder holding a Windows installation
  std::string userRegistry;  // an NTUSER.DAT or a .reg file for HKEY_CURRENT_USER
  std::string wmi;           // a WMI instances file
  std::string cpuid;         // a CPUID dump
  std::string drives;        // a folder of drive dumps
};

}  // namespace mrv
