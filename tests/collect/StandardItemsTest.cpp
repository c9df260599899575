// The item table's contract: a collector gives exactly the texts of the rows its step fills. The
// pass pads or cuts what a collector gives, so a collector that gave one text too many would lose
// it without a sound; this runs every step on a machine that has none of the services, where each
// collector takes its emptiest road (or raises, which the pass turns into its rows' error text).
#include <gtest/gtest.h>

#include <exception>

#include "collect/CollectionContext.h"
#include "collect/StandardItems.h"
#include "ui/MemoryViews.h"

namespace mrv {
namespace {

TEST(StandardItemsTest, EveryCollectorGivesTheTextsOfItsRowsWithoutServices) {
  for (const char* family : {"NT", "9x"}) {
    Platform none;
    CollectionState state(nullptr);
    ScriptedDialogs dialogs;
    CollectionContext ctx(none, state, dialogs);
    for (const StandardStep& step : StandardSteps()) {
      ASSERT_NE(step.collect, nullptr) << step.family;
      ctx.family = family;  // the family step decides it again; the others read it
      std::vector<std::string> texts;
      try {
        texts = step.collect(ctx);
      } catch (const std::exception&) {
        continue;  // a failure the pass reports, filling the step's rows with the error text
      }
      EXPECT_EQ(texts.size(), static_cast<std::size_t>(step.rows)) << step.family << " (" << family << ")";
    }
  }
}

}  // namespace
}  // namespace mrv
