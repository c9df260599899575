#pragma once
// Panel1, the disk history chart view, as the chart commands see it: the value and caption labels
// of its two group boxes, the legend sentence (Label26), the status word (Label27), the choice list
// ComboBox1 and the chart XYGraph1. The Qt window implements it over its widgets; tests and batch
// runs without a display use MemoryChartPanel.
#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mrv {

class TXYGraph;

enum class LabelColor { Black, Red };

// The fixed captions of the panel's group boxes and caption labels.
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 14> kChartPanelCaptions{{
    {"GroupBox2", "ハードディスク仕様"},
    {"Label1", "ディスク番号"},
    {"Label3", "モデル"},
    {"Label5", "シリアルNo"},
    {"Label7", "容量(MB)"},
    {"GroupBox1", "最新のデータ"},
    {"Label9", "温度"},
    {"Label11", "最高温度"},
    {"Label13", "再配置セクタ数"},
    {"Label15", "起動回数"},
    {"Label17", "運転時間"},
    {"Label19", "警戒項目数"},
    {"Label21", "故障項目数"},
    {"Label23", "記録日時"},
}};
// What ComboBox1 shows while nothing is chosen.
inline constexpr std::string_view kComboBox1Text = "表示するデータを選択";

struct ChartPanelView {
  // Labels by their component names ("Label2", "Label26").
  virtual void setLabelText(std::string_view label, std::string_view text) = 0;
  virtual std::string labelText(std::string_view label) const = 0;
  virtual void setLabelColor(std::string_view label, LabelColor color) = 0;
  virtual LabelColor labelColor(std::string_view label) const = 0;

  // ComboBox1. Setting the items or the selection from code does not run ComboBox1Change; only
  // the user's choice does (the window calls the command).
  virtual void setChoices(const std::vector<std::string>& items) = 0;
  virtual std::vector<std::string> choices() const = 0;
  virtual void setChoiceIndex(int index) = 0;  // -1: nothing selected
  virtual int choiceIndex() const = 0;

  virtual TXYGraph& XYGraph1() = 0;
  virtual ~ChartPanelView() = default;
};

}  // namespace mrv
