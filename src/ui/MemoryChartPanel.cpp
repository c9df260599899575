#include "ui/MemoryChartPanel.h"

#include "chart/XYGraph.h"

namespace mrv {

MemoryChartPanel::MemoryChartPanel() : graph_(std::make_unique<TXYGraph>()) {
  for (const auto& [name, caption] : kChartPanelCaptions) setLabelText(name, caption);
}

MemoryChartPanel::~MemoryChartPanel() = default;

void MemoryChartPanel::setLabelText(std::string_view label, std::string_view text) {
  texts_[std::string(label)] = std::string(text);
}

std::string MemoryChartPanel::labelText(std::string_view label) const {
  auto it = texts_.find(label);
  return it == texts_.end() ? std::string() : it->second;
}

void MemoryChartPanel::setLabelColor(std::string_view label, LabelColor color) { colors_[std::string(label)] = color; }

LabelColor MemoryChartPanel::labelColor(std::string_view label) const {
  auto it = colors_.find(label);
  return it == colors_.end() ? LabelColor::Black : it->second;
}

void MemoryChartPanel::setChoices(const std::vector<std::string>& items) {
  choices_ = items;
  index_ = -1;
}

void MemoryChartPanel::setChoiceIndex(int index) {
  index_ = (index >= 0 && index < static_cast<int>(choices_.size())) ? index : -1;
}

}  // namespace mrv
