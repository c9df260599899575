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
  // When its widgets are made: at once, or when the panel is first shown or used (the window's
  // panel is hidden at start, and most runs never show it).
  enum class Build { Now, WhenFirstUsed };
  explicit ChartPanel(QWidget* parent = nullptr, Build when = Build::Now);
  ~ChartPanel() override;

  void setVisible(bool visible) override;

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

  QComboBox* ComboBox1() const {
    built();
    return combo_;
  }
  XYGraphWidget* graphWidget() const {
    built();
    return graph_;
  }
  QLabel* label(std::string_view name) const;

 private:
  void build();
  // Makes the widgets if they were not yet (from the const reads too: the panel is the same one).
  void built() const {
    if (!built_) const_cast<ChartPanel*>(this)->build();
  }
  void showChartMenu(const QPoint& at);
  void saveAs(ChartPictureFormat format);

  std::map<std::string, QLabel*, std::less<>> labels_;
  bool built_ = false;
  QComboBox* combo_ = nullptr;
  XYGraphWidget* graph_ = nullptr;
  std::function<void()> onChoice_;
};

}  // namespace mrv
