// Developer command for drive dumps, the same as the program's drive options:
//   drivedump dump FOLDER      record this machine's drives into FOLDER
//   drivedump show [FOLDER]    show the drives of FOLDER (dumps), or this machine's drives
#include <iostream>
#include <string>

#include "disk/DriveDumpCommand.h"
#include "platform/AtaDevice.h"
#include "platform/Sources.h"
#include "platform/PlatformServices.h"

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if ((mode != "dump" && mode != "show") || (mode == "dump" && argc != 3) || argc > 3) {
    std::cerr << "usage: drivedump dump FOLDER | drivedump show [FOLDER]\n";
    return 2;
  }
  mrv::Sources sources;
  if (mode == "show" && argc == 3) sources.drives = argv[2];
  std::string message;
  const auto device = mrv::openAtaDevice(sources, message);
  if (!device) {
    std::cerr << message << "\n";
    return 1;
  }
  return mrv::runDriveDumpCommand(*device, mode, argc == 3 ? argv[2] : "", mrv::RecordDriveDumps, std::cout);
}
