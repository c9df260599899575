#include "platform/replay/CpuidDump.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/Utf8Path.h"
#include "base/Text.h"

namespace mrv {
namespace {

void skipBlanks(std::string_view& s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One to eight hexadecimal digits.
bool takeHex32(std::string_view& s, std::uint32_t& out) {
  std::size_t n = 0;
  std::uint32_t v = 0;
  while (n < s.size() && hexDigit(s[n]) >= 0) {
    if (n == 8) return false;
    v = (v << 4) | static_cast<std::uint32_t>(hexDigit(s[n]));
    ++n;
  }
  if (n == 0) return false;
  out = v;
  s.remove_prefix(n);
  return true;
}

bool takeChar(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

}  // namespace

bool parseCpuidDumpLine(std::string_view line, std::uint32_t& leaf, CpuidResult& registers) {
  std::string_view s = line;
  skipBlanks(s);
  if (s.size() < 5 || !iequalsAscii(s.substr(0, 5), "CPUID")) return false;
  s.remove_prefix(5);
  if (s.empty() || (s.front() != ' ' && s.front() != '\t')) return false;
  skipBlanks(s);
  std::uint32_t number = 0;
  if (!takeHex32(s, number)) return false;
  skipBlanks(s);
  if (!takeChar(s, ':')) return false;
  skipBlanks(s);
  std::uint32_t r[4] = {};
  for (int i = 0; i < 4; ++i) {
    if (i > 0 && !takeChar(s, '-')) return false;
    if (!takeHex32(s, r[i])) return false;
  }
  if (!s.empty() && s.front() != ' ' && s.front() != '\t' && s.front() != '\r') return false;
  // "[SL nn]" marks a sub-leaf; only sub-leaf 0 is the leaf as a plain CPUID call sees it.
  const std::size_t mark = s.find("[SL");
  if (mark != std::string_view::npos) {
    std::string_view sub = s.substr(mark + 3);
    skipBlanks(sub);
    std::uint32_t subleaf = 0;
    if (takeHex32(sub, subleaf) && subleaf != 0) return false;
  }
  leaf = number;
  registers = CpuidResult{r[0], r[1], r[2], r[3]};
  return true;
}

namespace {

// Feeds lines one by one; false once the first processor's block has ended.
class DumpReader {
 public:
  bool add(std::string_view line) {
    std::uint32_t leaf = 0;
    CpuidResult r;
    if (!parseCpuidDumpLine(line, leaf, r)) return true;
    if (leaf == 0 && leaves_.count(0)) return false;  // the next processor begins
    leaves_.emplace(leaf, r);                         // a repeated leaf keeps its first answer
    return true;
  }
  std::map<std::uint32_t, CpuidResult> take() { return std::move(leaves_); }

 private:
  std::map<std::uint32_t, CpuidResult> leaves_;
};

}  // namespace

CpuidDump CpuidDump::fromText(std::string_view text) {
  DumpReader reader;
  for (const std::string& line : splitLines(text))
    if (!reader.add(line)) break;
  return CpuidDump(reader.take());
}

CpuidResult CpuidDump::cpuid(std::uint32_t leaf) {
  const auto it = leaves_.find(leaf);
  return it == leaves_.end() ? CpuidResult{} : it->second;
}

std::uint32_t CpuidDump::processorType() {
  return x86ProcessorTypeForFamily((cpuid(1).eax >> 8) & 0xF);
}

std::unique_ptr<CpuSource> loadCpuidDump(const std::string& path, std::string& message) {
  std::error_code ec;
  std::ifstream in;
  if (std::filesystem::is_regular_file(pathFromUtf8(path), ec)) in.open(pathFromUtf8(path), std::ios::binary);
  if (!in.is_open()) {
    message = "CPUID dump cannot be read: " + path;
    return nullptr;
  }
  DumpReader reader;
  std::string line;
  while (std::getline(in, line))
    if (!reader.add(line)) break;
  if (in.bad()) {
    message = "CPUID dump cannot be read: " + path;
    return nullptr;
  }
  auto leaves = reader.take();
  if (leaves.empty()) {
    message = "CPUID dump holds no CPUID lines: " + path;
    return nullptr;
  }
  return std::make_unique<CpuidDump>(std::move(leaves));
}

}  // namespace mrv
