#include "platform/replay/DriveDump.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "base/Utf8Path.h"
#include "platform/SmartCommands.h"

namespace mrv {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kIdentifyTag = "IDFY";
constexpr std::string_view kDataTag = "SMDT";
constexpr std::string_view kThresholdsTag = "SMTH";
constexpr std::string_view kSmartStatusTag = "SMST";  // libatasmart's overall status
constexpr std::string_view kStatusTag = "MRVS";       // ours: device map and enable outcome
constexpr std::string_view kNvmeControllerTag = "NVIC";
constexpr std::string_view kNvmeNamespaceTag = "NVIN";
constexpr std::string_view kNvmeHealthTag = "NVSH";

template <std::size_t N>
bool takeBlock(std::optional<std::array<std::uint8_t, N>>& block, std::string_view tag, std::string_view body,
               std::string& problem) {
  if (body.size() != N) {
    problem = "record " + std::string(tag) + " has " + std::to_string(body.size()) + " bytes instead of " + std::to_string(N);
    return false;
  }
  if (block.has_value()) {
    problem = "record " + std::string(tag) + " appears twice";
    return false;
  }
  std::array<std::uint8_t, N> b{};
  std::memcpy(b.data(), body.data(), N);
  block = b;
  return true;
}

std::uint32_t be32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3]));
}

void appendRecord(std::string& out, std::string_view tag, const std::uint8_t* data, std::uint32_t size) {
  out.append(tag);
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((size >> shift) & 0xFF));
  out.append(reinterpret_cast<const char*>(data), size);
}

std::string printableTag(std::string_view tag) {
  std::string t;
  for (char c : tag) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u <= 0x7E) {
      t.push_back(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      t += buf;
    }
  }
  return t;
}

bool readWholeFile(const fs::path& path, std::string& bytes, std::string& message) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    message = "cannot read " + utf8FromPath(path) + ": " + std::strerror(errno);
    return false;
  }
  bytes.assign(kMaxDriveDumpSize + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) {
    message = "cannot read " + utf8FromPath(path);
    return false;
  }
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return true;
}

std::string hex2(unsigned v) {
  char buf[4];
  std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
  return buf;
}

class DumpDrive : public AtaDrive, public NvmeDrive {
 public:
  DumpDrive(DriveDump dump, std::string name, int index)
      : dump_(std::move(dump)), name_(std::move(name)), index_(index) {}

  NvmeDrive* nvme() override { return dump_.isNvme() ? this : nullptr; }
  bool identifyController(NvmeIdentifyBlock& block, std::string& message) override {
    return nvmeAnswer(dump_.nvmeController, kNvmeControllerTag, block, message);
  }
  bool identifyNamespace(NvmeIdentifyBlock& block, std::string& message) override {
    return nvmeAnswer(dump_.nvmeNamespace, kNvmeNamespaceTag, block, message);
  }
  bool healthLog(NvmeHealthLog& block, std::string& message) override {
    return nvmeAnswer(dump_.nvmeHealth, kNvmeHealthTag, block, message);
  }

  bool deviceMap(std::uint8_t& map, std::string&) override {
    map = dump_.hasStatus ? dump_.deviceMap : fileOrderDeviceMap(index_);
    return true;
  }

  bool send(const AtaCommand& command, AtaReply& reply) override {
    reply = AtaReply{};
    const AtaRegisters& r = command.registers;
    if (r.command == kAtaIdentify || r.command == kAtaIdentifyPacket) return answer(dump_.identify, kIdentifyTag, reply);
    if (r.command == kAtaSmart && r.features == kSmartReadData) return answer(dump_.smartData, kDataTag, reply);
    if (r.command == kAtaSmart && r.features == kSmartReadThresholds)
      return answer(dump_.smartThresholds, kThresholdsTag, reply);
    if (r.command == kAtaSmart && r.features == kSmartEnableOperations) {
      if (!dump_.enableFailed) return true;
      reply.driverError = dump_.enableDriverError;
      reply.ideError = dump_.enableIdeError;
      reply.systemMessage = name_ + ": the drive refused SMART ENABLE OPERATIONS when it was recorded";
      return false;
    }
    reply.systemMessage = name_ + ": no recorded answer for command " + hex2(r.command) + "h feature " +
                          hex2(r.features) + "h";
    return false;
  }

 private:
  template <std::size_t N>
  bool nvmeAnswer(const std::optional<std::array<std::uint8_t, N>>& recorded, std::string_view tag,
                  std::array<std::uint8_t, N>& block, std::string& message) {
    block.fill(0);
    if (!recorded) {
      message = name_ + ": the dump holds no " + std::string(tag) + " record";
      return false;
    }
    block = *recorded;
    return true;
  }

  bool answer(const std::optional<AtaBlock>& block, std::string_view tag, AtaReply& reply) {
    if (!block) {
      reply.systemMessage = name_ + ": the dump holds no " + std::string(tag) + " record";
      return false;
    }
    reply.block = *block;
    return true;
  }

  DriveDump dump_;
  std::string name_;
  int index_;
};

class DumpDevice : public AtaDevice {
 public:
  DumpDevice(fs::path folder, std::vector<fs::path> files) : folder_(std::move(folder)), files_(std::move(files)) {}

  int driveCount() override { return static_cast<int>(files_.size()); }

  std::string driveName(int driveIndex) override {
    if (driveIndex < 0 || driveIndex >= driveCount()) return {};
    return utf8FromPath(files_[static_cast<std::size_t>(driveIndex)].filename());
  }

  std::unique_ptr<AtaDrive> openDrive(int driveIndex, std::string& systemMessage) override {
    if (driveIndex < 0 || driveIndex >= driveCount()) {
      systemMessage = "no drive dump for drive " + std::to_string(driveIndex) + " in " + utf8FromPath(folder_) + " (it holds " +
                      std::to_string(files_.size()) + ")";
      return nullptr;
    }
    const fs::path& path = files_[static_cast<std::size_t>(driveIndex)];
    std::string bytes, message;
    if (!readWholeFile(path, bytes, message)) {
      systemMessage = message;
      return nullptr;
    }
    DriveDump dump;
    if (!parseDriveDump(bytes, dump, message)) {
      systemMessage = utf8FromPath(path.filename()) + " is not a usable drive dump: " + message;
      return nullptr;
    }
    return std::make_unique<DumpDrive>(std::move(dump), utf8FromPath(path.filename()), driveIndex);
  }

 private:
  fs::path folder_;
  std::vector<fs::path> files_;
};

std::string dumpFileName(int driveIndex) {
  char fileName[32];
  std::snprintf(fileName, sizeof fileName, "drive%02d.dump", driveIndex);
  return fileName;
}

bool writeDumpFile(const fs::path& path, const DriveDump& dump) {
  const std::string bytes = serializeDriveDump(dump);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

// Records one NVMe drive; returns the rest of its report line.
std::string recordNvmeDrive(NvmeDrive& drive, const std::string& folder, int driveIndex, int& written) {
  DriveDump dump;
  std::string failures, message;
  NvmeIdentifyBlock controller{}, ns{};
  NvmeHealthLog log{};
  if (drive.identifyController(controller, message)) dump.nvmeController = controller;
  else failures += "; Identify Controller failed: " + message;
  if (drive.identifyNamespace(ns, message)) dump.nvmeNamespace = ns;
  else failures += "; Identify Namespace failed: " + message;
  if (drive.healthLog(log, message)) dump.nvmeHealth = log;
  else failures += "; the health log failed: " + message;
  if (!dump.nvmeController) return "not recorded: NVMe drive" + failures + "\n";
  const fs::path path = pathFromUtf8(folder) / dumpFileName(driveIndex);
  if (!writeDumpFile(path, dump)) return "cannot write " + path.string() + "\n";
  ++written;
  std::string records = "NVIC";
  if (dump.nvmeNamespace) records += " NVIN";
  if (dump.nvmeHealth) records += " NVSH";
  return "written to " + path.string() + " (" + records + ")" + failures + "\n";
}

}  // namespace

std::uint8_t fileOrderDeviceMap(int driveIndex) {
  return driveIndex >= 0 && driveIndex < 4 ? static_cast<std::uint8_t>(1u << driveIndex) : 0;
}

bool parseDriveDump(std::string_view bytes, DriveDump& dump, std::string& message) {
  dump = DriveDump{};
  auto fail = [&](std::string text) {
    dump = DriveDump{};
    message = std::move(text);
    return false;
  };
  if (bytes.empty()) return fail("the file is empty");
  if (bytes.size() > kMaxDriveDumpSize) return fail("the file is larger than any drive dump");
  bool any = false;
  std::size_t at = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < 8)
      return fail("truncated record header at byte " + std::to_string(at));
    const std::string_view tag = bytes.substr(at, 4);
    for (char c : tag) {
      const auto u = static_cast<unsigned char>(c);
      if (u < 0x20 || u > 0x7E) return fail("no record tag at byte " + std::to_string(at));
    }
    const std::uint32_t length = be32(bytes, at + 4);
    const std::size_t left = bytes.size() - at - 8;
    if (length > left)
      return fail("record " + printableTag(tag) + " at byte " + std::to_string(at) + " is truncated: " +
                  std::to_string(left) + " of " + std::to_string(length) + " bytes");
    const std::string_view body = bytes.substr(at + 8, length);
    std::optional<AtaBlock>* block = nullptr;
    if (tag == kIdentifyTag) block = &dump.identify;
    else if (tag == kDataTag) block = &dump.smartData;
    else if (tag == kThresholdsTag) block = &dump.smartThresholds;
    if (block) {
      if (length != kAtaBlockSize)
        return fail("record " + std::string(tag) + " has " + std::to_string(length) + " bytes instead of 512");
      if (block->has_value()) return fail("record " + std::string(tag) + " appears twice");
      AtaBlock b{};
      std::memcpy(b.data(), body.data(), kAtaBlockSize);
      *block = b;
      any = true;
    } else if (tag == kSmartStatusTag) {
      if (length != 4) return fail("record SMST has " + std::to_string(length) + " bytes instead of 4");
      if (dump.smartStatusGood) return fail("record SMST appears twice");
      dump.smartStatusGood = be32(body, 0) != 0;
    } else if (tag == kStatusTag) {
      if (length != 4) return fail("record MRVS has " + std::to_string(length) + " bytes instead of 4");
      if (dump.hasStatus) return fail("record MRVS appears twice");
      dump.hasStatus = true;
      dump.deviceMap = static_cast<std::uint8_t>(body[0]);
      dump.enableFailed = body[1] != 0;
      dump.enableDriverError = static_cast<std::uint8_t>(body[2]);
      dump.enableIdeError = static_cast<std::uint8_t>(body[3]);
      any = true;
    } else if (tag == kNvmeControllerTag || tag == kNvmeNamespaceTag || tag == kNvmeHealthTag) {
      std::string problem;
      const bool taken = tag == kNvmeHealthTag ? takeBlock(dump.nvmeHealth, tag, body, problem)
                         : tag == kNvmeControllerTag ? takeBlock(dump.nvmeController, tag, body, problem)
                                                     : takeBlock(dump.nvmeNamespace, tag, body, problem);
      if (!taken) return fail(problem);
      any = true;
    }
    at += 8 + length;
  }
  if (!any) return fail("the file holds no drive records");
  if (dump.isNvme() && (dump.identify || dump.smartData || dump.smartThresholds || dump.hasStatus))
    return fail("the file holds both ATA and NVMe records");
  return true;
}

std::string serializeDriveDump(const DriveDump& dump) {
  std::string out;
  if (dump.identify) appendRecord(out, kIdentifyTag, dump.identify->data(), kAtaBlockSize);
  if (dump.smartData) appendRecord(out, kDataTag, dump.smartData->data(), kAtaBlockSize);
  if (dump.smartThresholds) appendRecord(out, kThresholdsTag, dump.smartThresholds->data(), kAtaBlockSize);
  if (dump.smartStatusGood) {
    const std::uint8_t good[4] = {0, 0, 0, static_cast<std::uint8_t>(*dump.smartStatusGood ? 1 : 0)};
    appendRecord(out, kSmartStatusTag, good, 4);
  }
  if (dump.hasStatus) {
    const std::uint8_t status[4] = {dump.deviceMap, static_cast<std::uint8_t>(dump.enableFailed ? 1 : 0),
                                    dump.enableDriverError, dump.enableIdeError};
    appendRecord(out, kStatusTag, status, 4);
  }
  if (dump.nvmeController) appendRecord(out, kNvmeControllerTag, dump.nvmeController->data(), kNvmeIdentifySize);
  if (dump.nvmeNamespace) appendRecord(out, kNvmeNamespaceTag, dump.nvmeNamespace->data(), kNvmeIdentifySize);
  if (dump.nvmeHealth) appendRecord(out, kNvmeHealthTag, dump.nvmeHealth->data(), kNvmeHealthLogSize);
  return out;
}

std::unique_ptr<AtaDevice> openDriveDumps(const std::string& folder, std::string& message) {
  std::error_code ec;
  if (!fs::is_directory(pathFromUtf8(folder), ec)) {
    message = "the drive dump folder " + folder + (fs::exists(pathFromUtf8(folder), ec) ? " is not a folder" : " does not exist");
    return nullptr;
  }
  std::vector<fs::path> files;
  for (fs::directory_iterator it(pathFromUtf8(folder), ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    std::error_code fileEc;
    if (p.filename().string().starts_with('.') || !fs::is_regular_file(p, fileEc)) continue;
    files.push_back(p);
  }
  if (ec) {
    message = "cannot list the drive dump folder " + folder + ": " + ec.message();
    return nullptr;
  }
  std::sort(files.begin(), files.end(),
            [](const fs::path& a, const fs::path& b) { return a.filename().string() < b.filename().string(); });
  return std::make_unique<DumpDevice>(pathFromUtf8(folder), std::move(files));
}

bool writeDriveDumps(AtaDevice& real, const std::string& folder, std::string& report) {
  report.clear();
  std::error_code ec;
  fs::create_directories(pathFromUtf8(folder), ec);
  if (ec || !fs::is_directory(pathFromUtf8(folder), ec)) {
    report = "cannot create the folder " + folder + (ec ? ": " + ec.message() : std::string()) + "\n";
    return false;
  }
  int written = 0;
  const int count = real.driveCount();
  if (count <= 0) report += "no drives found\n";
  for (int i = 0; i < count; ++i) {
    const std::string name = real.driveName(i);
    const std::string head = "drive " + std::to_string(i) + (name.empty() ? "" : " (" + name + ")") + ": ";
    std::string message;
    const std::unique_ptr<AtaDrive> drive = real.openDrive(i, message);
    if (!drive) {
      report += head + "not recorded: cannot open it: " + message + "\n";
      continue;
    }
    if (NvmeDrive* nvme = drive->nvme()) {
      report += head + recordNvmeDrive(*nvme, folder, i, written);
      continue;
    }
    DriveDump dump;
    std::uint8_t map = 0;
    if (!drive->deviceMap(map, message)) {
      report += head + "not recorded: it takes no S.M.A.R.T. requests: " + message + "\n";
      continue;
    }
    dump.hasStatus = true;
    std::string lastFailure;
    for (int p = 0; p < 4 && !dump.identify; ++p) {
      if (!smartPositionTaken(map, p)) continue;
      const bool atapi = smartPositionIsAtapi(map, p);
      AtaReply reply;
      dump.enableFailed = false;
      dump.enableDriverError = dump.enableIdeError = 0;
      if (!atapi && !drive->send(smartCommand(SmartStep::Enable, p), reply)) {
        dump.enableFailed = true;
        dump.enableDriverError = reply.driverError;
        dump.enableIdeError = reply.ideError;
      }
      if (!drive->send(smartCommand(SmartStep::Identify, p, atapi), reply)) {
        lastFailure = reply.systemMessage;
        continue;
      }
      dump.identify = reply.block;
      // Only the position that answered is replayed.
      dump.deviceMap = static_cast<std::uint8_t>((1u << p) | (atapi ? 1u << (p + 4) : 0u));
      lastFailure.clear();
      if (drive->send(smartCommand(SmartStep::ReadAttributes, p), reply)) dump.smartData = reply.block;
      else lastFailure = reply.systemMessage;
      if (drive->send(smartCommand(SmartStep::ReadThresholds, p), reply)) dump.smartThresholds = reply.block;
      else lastFailure = reply.systemMessage;
    }
    if (!dump.identify) {
      report += head + "not recorded: no position answered IDENTIFY" +
                (lastFailure.empty() ? std::string() : ": " + lastFailure) + "\n";
      continue;
    }
    const fs::path path = pathFromUtf8(folder) / dumpFileName(i);
    if (!writeDumpFile(path, dump)) {
      report += head + "cannot write " + path.string() + "\n";
      continue;
    }
    ++written;
    std::string records = "IDFY";
    if (dump.smartData) records += " SMDT";
    if (dump.smartThresholds) records += " SMTH";
    records += " MRVS";
    report += head + "written to " + path.string() + " (" + records + ")";
    if (dump.enableFailed) report += "; SMART ENABLE OPERATIONS failed";
    if (!lastFailure.empty()) report += "; " + lastFailure;
    report += "\n";
  }
  return written > 0;
}

}  // namespace mrv
