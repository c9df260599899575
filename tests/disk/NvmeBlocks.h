#pragma once
// Builders for the NVMe Identify Controller, Identify Namespace and health log blocks used by the
// disk tests, and a drive dump of them.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/NvmeDrive.h"
#include "platform/replay/DriveDump.h"

namespace mrv::test {

template <std::size_t N>
void putLe(std::array<std::uint8_t, N>& b, std::size_t at, std::uint64_t v, std::size_t size) {
  for (std::size_t k = 0; k < size; ++k) b[at + k] = static_cast<std::uint8_t>(k < 8 ? v >> (8 * k) : 0);
}

inline NvmeIdentifyBlock nvmeController(std::string_view serial, std::string_view model, std::string_view firmware) {
  NvmeIdentifyBlock b{};
  auto put = [&](std::size_t at, std::size_t length, std::string_view text) {
    for (std::size_t i = 0; i < length; ++i) b[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
  };
  put(4, 20, serial);
  put(24, 40, model);
  put(64, 8, firmware);
  return b;
}

// A namespace of `blocks` logical blocks of 2^lbads bytes, formatted with LBA format `format`
// (formats 0..format all have that block size).
inline NvmeIdentifyBlock nvmeNamespace(std::uint64_t blocks, int lbads = 9, int format = 0) {
  NvmeIdentifyBlock b{};
  putLe(b, 0, blocks, 8);
  b[25] = static_cast<std::uint8_t>(format);
  b[26] = static_cast<std::uint8_t>(format & 0x0F);
  for (int f = 0; f <= format; ++f) b[128 + 4 * static_cast<std::size_t>(f) + 2] = static_cast<std::uint8_t>(lbads);
  return b;
}

struct NvmeLogFields {
  int criticalWarning = 0;
  int kelvin = 308;
  int spare = 100;
  int spareThreshold = 10;
  int percentageUsed = 0;
  std::uint64_t counters[10] = {};  // data units read .. error log entries, in log order
  int sensorKelvin[8] = {};          // temperature sensors 1-8; 0 is not reported
};
inline constexpr int kDataUnitsWrittenCounter = 1, kBusyTimeCounter = 4, kPowerCyclesCounter = 5,
                     kPowerOnHoursCounter = 6, kMediaErrorsCounter = 8;

inline NvmeHealthLog nvmeLog(const NvmeLogFields& f) {
  NvmeHealthLog b{};
  b[0] = static_cast<std::uint8_t>(f.criticalWarning);
  putLe(b, 1, static_cast<std::uint64_t>(f.kelvin), 2);
  b[3] = static_cast<std::uint8_t>(f.spare);
  b[4] = static_cast<std::uint8_t>(f.spareThreshold);
  b[5] = static_cast<std::uint8_t>(f.percentageUsed);
  for (std::size_t i = 0; i < 10; ++i) putLe(b, 32 + 16 * i, f.counters[i], 16);
  for (std::size_t i = 0; i < 8; ++i) putLe(b, 200 + 2 * i, static_cast<std::uint64_t>(f.sensorKelvin[i]), 2);
  return b;
}

// The four drives of the tests: healthy, a critical warning raised, spare under its threshold
// (which also raises critical-warning bit 0, as drives do), worn to 95 %.
inline NvmeLogFields healthyNvme() {
  NvmeLogFields f;
  f.percentageUsed = 3;
  f.counters[kPowerCyclesCounter] = 1487;
  f.counters[kPowerOnHoursCounter] = 5312;
  return f;
}
inline NvmeLogFields criticalNvme() {
  NvmeLogFields f = healthyNvme();
  f.criticalWarning = 0x04;  // reliability degraded
  f.counters[kMediaErrorsCounter] = 17;
  return f;
}
inline NvmeLogFields spareLowNvme() {
  NvmeLogFields f = healthyNvme();
  f.criticalWarning = 0x01;
  f.spare = 6;
  return f;
}
inline NvmeLogFields wornNvme() {
  NvmeLogFields f = healthyNvme();
  f.percentageUsed = 95;
  return f;
}

inline DriveDump nvmeDump(const NvmeLogFields& f, std::string_view model = "SAMSUNG MZVLB512HBJQ-000L7") {
  DriveDump d;
  d.nvmeController = nvmeController("S4DYNX0N812345", model, "5M2QEXF7");
  d.nvmeNamespace = nvmeNamespace(1000215216);
  d.nvmeHealth = nvmeLog(f);
  return d;
}

}  // namespace mrv::test
