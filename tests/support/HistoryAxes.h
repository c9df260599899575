#pragma once
// The axes as the disk history chart sets them: 90 days in 30-day steps, 0 to 120.
#include "chart/XYGraph.h"

namespace mrv::testing {

inline void historyAxes(TXYGraph& g) {
  g.YAxis().setMax(120);
  g.YAxis().setMin(0);
  g.XAxis().setMin(-90);
  g.XAxis().setMax(0);
  g.XAxis().setOrigin(-90);
  g.XAxis().setTickStep(30);
  g.XAxis().setSubTicksCount(6);
  g.XAxis().setTitle("日数");
}

}  // namespace mrv::testing
