#pragma once
// Version resources of Windows programs read from their bytes, on any system: the VS_VERSIONINFO
// block of a PE file (.exe, .dll, .ocx), and the queries made on such a block as VerQueryValue
// answers them ("\VarFileInfo\Translation", "\StringFileInfo\041104B0\FileVersion").
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mrv {

// The RT_VERSION resource (first name, first language) of a PE image; nothing when the bytes are
// not a PE image or it has no version resource. Never reads outside the bytes.
std::optional<std::string> peVersionInfoBlock(std::string_view image);

// The first translation entry of a VS_VERSIONINFO block (Unicode form) as the 32-bit value
// VerQueryValue gives: language in the low word, code page in the high word.
std::optional<std::uint32_t> versionTranslation(std::string_view block);

// The string-table key of a translation entry: its eight upper-case hexadecimal digits with the
// halves swapped, language first (0x04B00411 gives "041104B0").
std::string versionTranslationKey(std::uint32_t translation);

// The string `name` of the string table `table` ("041104B0"), both matched case-insensitively,
// as UTF-8 up to its terminator; nothing when absent.
std::optional<std::string> versionString(std::string_view block, std::string_view table, std::string_view name);

}  // namespace mrv
