// Longer fuzz run over the drive dump reader and the S.M.A.R.T. decoder, and the decoder's speed.
//   smart_fuzz [seconds]     (default 30)
// Prints how many inputs were tried, how many parsed as dumps, and decodes per second.
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>

#include "disk/DriveHealth.h"
#include "platform/replay/DriveDump.h"

using namespace mrv;

namespace {

std::string record(std::string_view tag, std::uint32_t length, std::size_t actual, std::mt19937_64& rng) {
  std::string r(tag);
  for (int s = 24; s >= 0; s -= 8) r.push_back(static_cast<char>((length >> s) & 0xFF));
  for (std::size_t i = 0; i < actual; ++i) r.push_back(static_cast<char>(rng()));
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
  std::mt19937_64 rng(std::random_device{}());
  const auto start = std::chrono::steady_clock::now();
  const auto budget = std::chrono::duration<double>(seconds);
  long inputs = 0, parsed = 0;
  DriveDump good;
  good.identify = AtaBlock{};
  good.smartData = AtaBlock{};
  good.smartThresholds = AtaBlock{};
  good.hasStatus = true;
  const std::string goodBytes = serializeDriveDump(good);
  while (std::chrono::steady_clock::now() - start < budget) {
    std::string bytes;
    if (rng() % 2) {
      bytes = goodBytes;
      for (int k = static_cast<int>(rng() % 8); k >= 0; --k) bytes[rng() % bytes.size()] = static_cast<char>(rng());
      bytes.resize(rng() % (bytes.size() + 1));
    } else {
      const char* tags[] = {"IDFY", "SMDT", "SMTH", "SMST", "ZZZZ"};
      for (int k = static_cast<int>(rng() % 6); k >= 0; --k) {
        const auto len = static_cast<std::uint32_t>(rng() % 3 ? rng() % 600 : rng());
        bytes += record(tags[rng() % 5], len, std::min<std::size_t>(len, rng() % 600), rng);
      }
    }
    DriveDump dump;
    std::string message;
    if (parseDriveDump(bytes, dump, message)) {
      ++parsed;
      DriveHealth h;
      if (dump.identify) decodeIdentity(*dump.identify, h);
      if (dump.smartData && dump.smartThresholds) decodeSmartTables(*dump.smartData, *dump.smartThresholds, h);
    } else if (message.empty()) {
      std::cerr << "refused input without a reason\n";
      return 1;
    }
    ++inputs;
  }
  const double fuzzSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::cout << "fuzz: " << inputs << " inputs, " << parsed << " parsed as dumps, in " << fuzzSeconds << " s\n";

  // Decoding speed on random full tables.
  AtaBlock id, data, thresholds;
  for (auto* b : {&id, &data, &thresholds})
    for (auto& x : *b) x = static_cast<std::uint8_t>(rng() | 1);
  const int rounds = 200000;
  long sink = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) {
    DriveHealth h;
    data[3] = static_cast<std::uint8_t>(i);
    decodeIdentity(id, h);
    decodeSmartTables(data, thresholds, h);
    sink += h.failCount + h.attributeCount;
  }
  const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::cout << "decode: " << rounds << " drives in " << t << " s (" << static_cast<long>(rounds / t)
            << " per second; checksum " << sink << ")\n";
  return 0;
}
