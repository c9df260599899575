#pragma once
// The component interfaces over Qt widgets. Each adapter holds only a pointer to its widget: the
// widget is the one copy of the state.
#include <QPointer>
#include <QString>
#include <QTableView>
#include <functional>
#include <map>
#include <string>

#include "ui/Views.h"

class QPlainTextEdit;
class QTableWidget;
class QLabel;
class QProgressBar;
class QMainWindow;
class QAction;
class QWidget;

namespace mrv {

inline QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string us(const QString& s) { return s.toStdString(); }

class QtTextView : public TextView {
 public:
  explicit QtTextView(QPlainTextEdit* w) : w_(w) {}
  void clear() override;
  void appendLine(std::string_view utf8) override;
  void setLines(const std::vector<std::string>& lines) override;
  std::vector<std::string> lines() const override;
  std::string selectedText() const override;
  void setReadOnly(bool) override;
  bool readOnly() const override;
  bool modified() const override;
  void setModified(bool) override;
  void setVisible(bool) override;
  bool visible() const override;

 private:
  QPlainTextEdit* w_;
};

// Grid row 0 and column 0 are the fixed header row and column: they are shown as the table's
// header labels, so columns can be resized by dragging, as in the grid the record is shown in.
// Further fixed rows and columns are table rows and columns that overlays keep in view: a copy of
// the table showing only them, laid over the table's top or left edge and scrolled with it along
// the other direction ("fixedRows", "fixedColumns", and "fixedCorner" where both meet).
// Built with a maker, the view makes its table only when something is first written to it, shown
// or read from it: a grid that stays hidden costs the window's start nothing.
class QtGridView : public GridView {
 public:
  explicit QtGridView(QTableWidget* w);
  explicit QtGridView(std::function<QTableWidget*()> make);
  ~QtGridView() override;
  // The table, made now if it was not yet.
  QTableWidget* table() const;
  std::string cell(int col, int row) const override;
  void setCell(int col, int row, std::string_view text) override;
  int rowCount() const override { return rows_; }
  void setRowCount(int rows) override;
  int colCount() const override { return cols_; }
  void setColCount(int cols) override;
  int colWidth(int col) const override;
  void setColWidth(int col, int width) override;
  void clearColumn(int col) override;
  void setVisible(bool) override;
  bool visible() const override;
  void showRow(int row) override;
  void setFixed(int cols, int rows) override;
  int fixedCols() const override { return fixedCols_; }
  int fixedRows() const override { return fixedRows_; }
  // Lays the overlays out again (after the table's size, scroll range or section sizes changed).
  void layoutFixed();

 private:
  std::function<QTableWidget*()> make_;
  mutable QTableWidget* w_ = nullptr;
  int rows_ = 5, cols_ = 5;
  int fixedCols_ = 1, fixedRows_ = 1;
  QPointer<QTableView> fixedRowsView_, fixedColsView_, fixedCornerView_;
  QPointer<QObject> watcher_;  // the table's signals and events that move the overlays
  int pendingRow_ = 0;
  std::string corner_;
  std::map<std::pair<int, int>, std::string> pastEnd_;  // (col, row) written past the last row
};

class QtStatusView : public StatusView {
 public:
  QtStatusView(QLabel* text, QProgressBar* bar) : text_(text), bar_(bar) {}
  void setStatusText(std::string_view) override;
  std::string statusText() const override;
  void setProgressVisible(bool) override;
  bool progressVisible() const override;
  void setProgress(int position) override;
  int progress() const override;
  void setProgressRange(int minimum, int maximum) override;
  int progressMaximum() const override;
  void processEvents() override;

 private:
  QLabel* text_;
  QProgressBar* bar_;
};

class QtWindowView : public WindowView {
 public:
  QtWindowView(QMainWindow* w, QWidget* panel) : w_(w), panel_(panel) {}
  void addAction(const std::string& name, QAction* a) { actions_[name] = a; }
  void setCaption(std::string_view) override;
  std::string caption() const override;
  void setPanelVisible(bool) override;
  bool panelVisible() const override;
  void setMenuEnabled(std::string_view itemName, bool enabled) override;
  bool menuEnabled(std::string_view itemName) const override;
  void close() override;

 private:
  QMainWindow* w_;
  QWidget* panel_;
  std::map<std::string, QAction*, std::less<>> actions_;
};

}  // namespace mrv
