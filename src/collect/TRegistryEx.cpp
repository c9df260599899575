#include "collect/TRegistryEx.h"

#include "base/Error.h"
#include "base/Text.h"

namespace mrv {

namespace {
std::string normalise(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  if (path.find("\\\\") == std::string_view::npos) return std::string(path);
  std::string out;
  for (const auto& part : split(path, '\\')) {
    if (part.empty()) continue;
    if (!out.empty()) out += '\\';
    out += part;
  }
  return out;
}
}  // namespace

std::vector<std::string> decodeMultiString(const std::string& data) {
  std::vector<std::string> out;
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  const std::size_t size = data.size() & ~std::size_t{1};
  std::size_t start = 0;
  for (std::size_t i = 0; i < size; i += 2) {
    if (p[i] != 0 || p[i + 1] != 0) continue;
    if (i == start) return out;  // the empty string that ends the list
    out.push_back(utf16leToUtf8(p + start, i - start));
    start = i + 2;
  }
  if (start < size) out.push_back(utf16leToUtf8(p + start, size - start));  // last string unterminated
  return out;
}

TRegistryEx::TRegistryEx(RegistryStore* store) : store_(store) {}

void TRegistryEx::setRootKey(RootKey root) {
  closeKey();
  root_ = root;
}

bool TRegistryEx::openKeyReadOnly(std::string_view path) {
  std::string full = normalise(path);
  if (!startsWith(path, "\\") && key_ && !path_.empty()) full = full.empty() ? path_ : path_ + "\\" + full;
  closeKey();
  if (!store_) return false;
  key_ = store_->openKey(root_, full);
  if (key_) path_ = full;
  return key_ != nullptr;
}

void TRegistryEx::closeKey() {
  key_.reset();
  path_.clear();
}

bool TRegistryEx::query(std::string_view name, RegValue& v) { return key_ && key_->queryValue(name, v); }

bool TRegistryEx::valueExists(std::string_view name) {
  RegValue v;
  return query(name, v);
}

std::optional<std::uint32_t> TRegistryEx::dataType(std::string_view name) {
  RegValue v;
  if (!query(name, v)) return std::nullopt;
  return v.type;
}

std::string TRegistryEx::readString(std::string_view name) {
  RegValue v;
  if (!query(name, v)) return {};
  if (v.type != kRegSz && v.type != kRegExpandSz)
    throw MrvError("Invalid data type for '" + std::string(name) + "'");
  return utf16leToUtf8(reinterpret_cast<const unsigned char*>(v.data.data()), v.data.size());
}

std::int32_t TRegistryEx::readInteger(std::string_view name) {
  RegValue v;
  if (!query(name, v) || v.type != kRegDword || v.data.size() < 4)
    throw MrvError("Invalid data type for '" + std::string(name) + "'");
  const auto* p = reinterpret_cast<const unsigned char*>(v.data.data());
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                   (static_cast<std::uint32_t>(p[2]) << 16) |
                                   (static_cast<std::uint32_t>(p[3]) << 24));
}

std::string TRegistryEx::readBinaryData(std::string_view name) {
  RegValue v;
  if (!query(name, v)) throw MrvError("Invalid data type for '" + std::string(name) + "'");
  return v.data;
}

std::optional<std::vector<std::string>> TRegistryEx::readMultiString(std::string_view name) {
  RegValue v;
  if (!query(name, v) || v.type != kRegMultiSz) return std::nullopt;
  return decodeMultiString(v.data);
}

std::vector<std::string> TRegistryEx::valueNames() { return key_ ? key_->valueNames() : std::vector<std::string>{}; }

std::vector<std::string> TRegistryEx::keyNames() { return key_ ? key_->subkeyNames() : std::vector<std::string>{}; }

bool TRegistryEx::hasSubKeys() { return key_ && key_->subkeyCount() > 0; }

}  // namespace mrv
