#pragma once
// The seam between the hive registry (replay/HiveRegistry) and the readers of one hive file: libhivex
// (replay/hivex/) or, on Windows without it, the system's own RegLoadAppKeyW
// (win32/HiveFileAppKey.cpp). Exactly one reader is built into a program.
#include <memory>
#include <string>
#include <string_view>

#include "platform/RegistryStore.h"

namespace mrv {

class HiveFile;

// What is wrong with the file's header ("the file is empty", "it is not a registry hive file", …);
// "" when it looks like a whole hive.
std::string hiveFileProblem(const std::string& path);

// True when the file begins with a hive's signature.
bool looksLikeHiveFile(const std::string& path);

// Checks and opens one hive file; null with a message when it cannot be read (missing, empty,
// truncated, damaged, or not a hive at all). Defined by the reader built in.
std::shared_ptr<HiveFile> openHiveFile(const std::string& path, std::string& message);

// The hive's root key, or a key below it ("A\B"); null when missing. Defined by the reader built in.
std::unique_ptr<RegistryKey> openHiveKey(const std::shared_ptr<HiveFile>& hive, std::string_view path);

}  // namespace mrv
