#pragma once
// Panel1: the disk history chart view. Two group boxes of captions and values on the left; the
// choice list ComboBox1 with the status word Label27 above the chart XYGraph1, and the legend
// sentence Label26 under it. A right-click on the chart saves it as a PNG or SVG picture.
#include <QWidget>
#include <functional>
#include <map>
#include <string>

#include "ui/ChartPanelView.h"

class QComboBox;
class QLabel;

namespace mrv {

class XYGraphWidget;

enum class ChartPictureFormat { Png, Svg };

// Writes the chart as a width x height picture (beside the target, then renamed into place).
// False with a message when it cannot be written.
bool saveChartPicture(const TXYGraph& graph, ChartPictureFormat format, int width, int height, const std::string& path,
                      std::string& message);

class ChartPanel : public QWidget, public ChartPanelView {
  Q_OBJECT
 public:
  explicit ChartPanel(QWidget* parent = nullptr);
  ~ChartPanel() override;

  // Runs when the user chooses an item of ComboBox1 (the window runs ComboBox1Change).
  void setOnChoice(std::function<void()> f) { onChoice_ = std::move(f); }

  void setLabelText(std::string_view label, std::string_view text) override;
  std::string labelText(std::string_view label) const override;
  void setLabelColor(std::string_view label, LabelColor color) override;
  LabelColor labelColor(std::string_view label) const override;
  void setChoices(const std::vector<std::string>& items) override;
  std::vector<std::string> choices() const override;
  void setChoiceIndex(int index) override;
  int choiceIndex() const override;
  TXYGraph& XYGraph1() override;

  QComboBox* ComboBox1() const { return combo_; }
  XYGraphWidget* graphWidget() const { return graph_; }
  QLabel* label(std::string_view name) const;

 private:
  void showChartMenu(const QPoint& at);
  void saveAs(ChartPictureFormat format);

  std::map<std::string, QLabel*, std::less<>> labels_;
  QComboBox* combo_;
  XYGraphWidget* graph_;
  std::function<void()> onChoice_;
};

}  // namespace mrv
