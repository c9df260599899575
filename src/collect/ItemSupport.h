#pragma once
// What the collectors of the standard block share: the texts a step gives, and reading one value
// of HKEY_LOCAL_MACHINE through the pass's registry reader (which leaves the reader on that key).
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "collect/CollectionContext.h"

namespace mrv {

using ItemTexts = std::vector<std::string>;

// Opens a key of HKEY_LOCAL_MACHINE read-only; false when it cannot be opened.
inline bool OpenMachineKey(CollectionContext& ctx, std::string_view path) {
  ctx.state.reg.setRootKey(RootKey::LocalMachine);
  return ctx.state.reg.openKeyReadOnly(path);
}

// A text value of a key of HKEY_LOCAL_MACHINE: "" when the key or the value is missing; a value
// that is not text raises, as the registry reader does.
inline std::string MachineText(CollectionContext& ctx, std::string_view path, std::string_view name) {
  if (!OpenMachineKey(ctx, path)) return {};
  return ctx.state.reg.readString(name);
}

// What `read` gives; nothing when it raises, the failure being reported under the running step.
template <class Read>
std::optional<std::string> ReadOrReport(CollectionContext& ctx, Read&& read) {
  try {
    return read();
  } catch (const std::exception& e) {
    if (ctx.onStepFailure) ctx.onStepFailure(ctx.step, e.what());
    return std::nullopt;
  }
}

// One row of a step that fills several: a failure puts "Error!" in this row alone, since the rows
// beside it are read on their own and keep what they read.
template <class Read>
std::string RowText(CollectionContext& ctx, Read&& read) {
  return ReadOrReport(ctx, std::forward<Read>(read)).value_or(kProbeError);
}

// MachineText as one such row.
inline std::string MachineTextRow(CollectionContext& ctx, std::string_view path, std::string_view name) {
  return RowText(ctx, [&] { return MachineText(ctx, path, name); });
}

}  // namespace mrv
