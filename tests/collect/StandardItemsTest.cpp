// The item table against the catalogue: every standard row is filled by exactly one step, in order.
#include <gtest/gtest.h>

#include "collect/StandardItems.h"
#include "records/ItemCatalogue.h"

namespace mrv {
namespace {

TEST(StandardItemsTest, StepsFillTheCatalogueRowsInOrder) {
  std::size_t pos = 0;
  for (const StandardStep& step : StandardSteps()) {
    ASSERT_NE(step.collect, nullptr) << step.family;
    for (std::string_view key : step.keys) {
      ASSERT_LT(pos, kItemCatalogue.size()) << "step " << step.family << " fills more than 90 rows";
      EXPECT_EQ(key, kItemCatalogue[pos].key) << "row " << pos + 1;
      ++pos;
    }
  }
  EXPECT_EQ(pos, kItemCatalogue.size());
}

}  // namespace
}  // namespace mrv
