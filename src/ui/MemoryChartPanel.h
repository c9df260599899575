#pragma once
// The chart panel in memory: what tests drive, and what a batch run without a display holds.
#include <map>
#include <memory>

#include "ui/ChartPanelView.h"

namespace mrv {

class MemoryChartPanel : public ChartPanelView {
 public:
  MemoryChartPanel();
  ~MemoryChartPanel() override;

  void setLabelText(std::string_view label, std::string_view text) override;
  std::string labelText(std::string_view label) const override;
  void setLabelColor(std::string_view label, LabelColor color) override;
  LabelColor labelColor(std::string_view label) const override;
  void setChoices(const std::vector<std::string>& items) override;
  std::vector<std::string> choices() const override { return choices_; }
  void setChoiceIndex(int index) override;
  int choiceIndex() const override { return index_; }
  TXYGraph& XYGraph1() override { return *graph_; }

 private:
  std::map<std::string, std::string, std::less<>> texts_;
  std::map<std::string, LabelColor, std::less<>> colors_;
  std::vector<std::string> choices_;
  int index_ = -1;
  std::unique_ptr<TXYGraph> graph_;
};

}  // namespace mrv
