#pragma once
// Panel1: the disk history chart view. Two group boxes of captions and values on the left; the
// choice list ComboBox1 with the status word Label27 above the chart XYGraph1, and the legend
// sentence Label26 under it. The chart is painted with GDI through the chart canvas; a right-click on
// it saves it as a PNG or SVG picture.
#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "chart/XYGraph.h"
#include "ui/ChartPanelView.h"

namespace mrv {

class Win32ChartPanel : public ChartPanelView {
 public:
  // Makes the panel as a hidden child of `parent`.
  Win32ChartPanel(HWND parent, HFONT font, HFONT boldFont, int dpi);
  ~Win32ChartPanel() override;
  Win32ChartPanel(const Win32ChartPanel&) = delete;
  Win32ChartPanel& operator=(const Win32ChartPanel&) = delete;

  HWND hwnd() const { return panel_; }
  HWND ComboBox1() const { return combo_; }
  HWND graphWindow() const { return graph_; }
  HWND label(std::string_view name) const;
  // What ComboBox1 shows while nothing is chosen.
  std::string placeholderText() const { return std::string(kComboBox1Text); }
  // Runs when the user chooses an item of ComboBox1 (the window runs ComboBox1Change).
  void setOnChoice(std::function<void()> f) { onChoice_ = std::move(f); }
  // Places the children for the panel's size and the given dots per inch.
  void layout(int dpi);
  void setFonts(HFONT font, HFONT boldFont);

  void setLabelText(std::string_view label, std::string_view text) override;
  std::string labelText(std::string_view label) const override;
  void setLabelColor(std::string_view label, LabelColor color) override;
  LabelColor labelColor(std::string_view label) const override;
  void setChoices(const std::vector<std::string>& items) override;
  std::vector<std::string> choices() const override;
  void setChoiceIndex(int index) override;
  int choiceIndex() const override;
  TXYGraph& XYGraph1() override { return graph1_; }

 private:
  static LRESULT CALLBACK panelProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK graphProc(HWND, UINT, WPARAM, LPARAM);
  void paintGraph(HDC dc, const RECT& client);
  // A right-click on the chart: save it as a PNG or SVG picture of its size on the screen.
  void showChartMenu(POINT screen);
  void saveAs(bool png);

  int dpi_ = 96;
  HWND panel_ = nullptr;
  HWND combo_ = nullptr;
  HWND graph_ = nullptr;
  HWND box1_ = nullptr, box2_ = nullptr;
  std::map<std::string, HWND, std::less<>> labels_;
  std::map<HWND, LabelColor> colors_;
  TXYGraph graph1_;
  std::function<void()> onChoice_;
};

}  // namespace mrv
