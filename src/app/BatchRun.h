#pragma once
// A batch run without a window system: in-memory components, messages on stderr.
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Settings.h"
#include "platform/Platform.h"

namespace mrv {

// Runs start-up, waits the batch delay, runs the batch sequence; returns the exit status.
int RunBatchWithoutDisplay(const StartOptions& options, const Settings& settings, const std::string& programPath,
                           const Platform& platform);

}  // namespace mrv
