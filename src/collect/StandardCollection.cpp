#include "collect/StandardCollection.h"

#include <chrono>
#include <exception>

#include "collect/StandardItems.h"

namespace mrv {

CollectionResult RunStandardCollection(CollectionContext& ctx, InventoryRecord& record,
                                       std::vector<std::pair<std::string, double>>* timings) {
  for (const StandardStep& step : StandardSteps()) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> texts;
    ctx.step = step.family;
    try {
      texts = step.collect(ctx);
    } catch (const std::exception& e) {
      texts.assign(static_cast<std::size_t>(step.rows), kProbeError);
      if (ctx.onStepFailure) ctx.onStepFailure(step.family, e.what());
    }
    // the layout is the record's contract: a step always fills exactly its rows
    texts.resize(static_cast<std::size_t>(step.rows));
    for (const auto& t : texts) record.addValueRow(t);
    if (timings) {
      const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (!timings->empty() && timings->back().first == step.family)
        timings->back().second += s;
      else
        timings->emplace_back(std::string(step.family), s);
    }
  }
  CollectionResult result;
  result.family = ctx.family;
  result.installedPrograms = ctx.state.installed;
  result.patches = ctx.state.patches;
  return result;
}

}  // namespace mrv
