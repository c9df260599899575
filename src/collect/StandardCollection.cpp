#include "collect/StandardCollection.h"

#include <chrono>
#include <exception>
#include <future>
#include <optional>
#include <system_error>
#include <thread>

#include "collect/StandardItems.h"

namespace mrv {

namespace {

struct StepOutcome {
  std::vector<std::string> texts;
  std::optional<std::string> failure;  // what the step raised, if it raised
};

StepOutcome collectStep(const StandardStep& step, CollectionContext& ctx) {
  StepOutcome o;
  try {
    o.texts = step.collect(ctx);
  } catch (const std::exception& e) {
    o.texts.assign(static_cast<std::size_t>(step.rows), kProbeError);
    o.failure = e.what();
  }
  // the layout is the record's contract: a step always fills exactly its rows
  o.texts.resize(static_cast<std::size_t>(step.rows));
  return o;
}

// Waits for a step known to end at `due`: asleep until shortly before, then watching, so that the
// pass goes on the moment the step's thread is done instead of when the system wakes it (a
// millisecond or more on a virtual machine whose other processor has gone idle). The watching
// ends 50 ms after `due` at the latest; then the waiting is asleep again.
void awaitWatching(std::future<StepOutcome>& step, std::chrono::steady_clock::time_point due) {
  using namespace std::chrono_literals;
  if (step.wait_until(due - 3ms) == std::future_status::ready) return;
  while (step.wait_for(0s) != std::future_status::ready && std::chrono::steady_clock::now() < due + 50ms)
    std::this_thread::yield();
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

CollectionResult RunStandardCollection(CollectionContext& ctx, InventoryRecord& record,
                                       std::vector<std::pair<std::string, double>>* timings) {
  const std::span<const StandardStep> steps = StandardSteps();
  std::vector<StepOutcome> outcomes(steps.size());
  std::vector<double> seconds(steps.size(), 0.0);

  // Steps that only wait start first, each on a thread of its own. Where no thread can be had the
  // step runs in its turn as any other.
  std::vector<std::pair<std::size_t, std::future<StepOutcome>>> alongside;
  const auto passStart = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (!steps[i].alongside) continue;
    try {
      const StandardStep& step = steps[i];
      alongside.emplace_back(i, std::async(std::launch::async, [&step, &ctx] { return collectStep(step, ctx); }));
    } catch (const std::system_error&) {
    }
  }
  auto startedAlongside = [&alongside](std::size_t i) {
    for (const auto& a : alongside)
      if (a.first == i) return true;
    return false;
  };

  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (startedAlongside(i)) continue;
    const auto start = std::chrono::steady_clock::now();
    ctx.step = steps[i].family;
    outcomes[i] = collectStep(steps[i], ctx);
    if (outcomes[i].failure && ctx.onStepFailure) ctx.onStepFailure(steps[i].family, *outcomes[i].failure);
    seconds[i] = secondsSince(start);
  }
  // what a step beside the pass adds to it is the time the pass then waits for it
  for (auto& [i, future] : alongside) {
    const auto start = std::chrono::steady_clock::now();
    if (steps[i].takesMs > 0) awaitWatching(future, passStart + std::chrono::milliseconds(steps[i].takesMs));
    outcomes[i] = future.get();
    if (outcomes[i].failure && ctx.onStepFailure) ctx.onStepFailure(steps[i].family, *outcomes[i].failure);
    seconds[i] = secondsSince(start);
  }

  // The rows go into the record in catalogue order once every step has given its texts.
  for (std::size_t i = 0; i < steps.size(); ++i) {
    for (const auto& t : outcomes[i].texts) record.addValueRow(t);
    if (!timings) continue;
    if (!timings->empty() && timings->back().first == steps[i].family)
      timings->back().second += seconds[i];
    else
      timings->emplace_back(std::string(steps[i].family), seconds[i]);
  }
  CollectionResult result;
  result.family = ctx.family;
  result.installedPrograms = ctx.state.installed;
  result.patches = ctx.state.patches;
  return result;
}

}  // namespace mrv
