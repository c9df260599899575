#pragma once
// In-memory components: what tests drive, and what a batch run without a display uses.
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "ui/Views.h"

namespace mrv {

class MemoryTextView : public TextView {
 public:
  void clear() override { lines_.clear(); }
  void appendLine(std::string_view s) override { lines_.emplace_back(s); }
  void setLines(const std::vector<std::string>& l) override { lines_ = l; }
  std::vector<std::string> lines() const override { return lines_; }
  std::string selectedText() const override { return selection; }
  void setReadOnly(bool r) override { readOnly_ = r; }
  bool readOnly() const override { return readOnly_; }
  bool modified() const override { return modified_; }
  void setModified(bool m) override { modified_ = m; }
  void setVisible(bool v) override { visible_ = v; }
  bool visible() const override { return visible_; }
  std::string selection;  // what a test marks as selected

 private:
  std::vector<std::string> lines_;
  bool readOnly_ = false, modified_ = false, visible_ = true;
};

class MemoryGridView : public GridView {
 public:
  std::string cell(int col, int row) const override;
  void setCell(int col, int row, std::string_view text) override;
  int rowCount() const override { return rows_; }
  void setRowCount(int rows) override;
  int colCount() const override { return cols_; }
  void setColCount(int cols) override;
  int colWidth(int col) const override;
  void setColWidth(int col, int width) override { widths_[col] = width; }
  void clearColumn(int col) override;
  void setVisible(bool v) override { visible_ = v; }
  bool visible() const override { return visible_; }
  void showRow(int row) override { shownRow = row; }
  void setFixed(int cols, int rows) override {
    fixedCols_ = cols < 1 ? 1 : cols;
    fixedRows_ = rows < 1 ? 1 : rows;
  }
  int fixedCols() const override { return fixedCols_; }
  int fixedRows() const override { return fixedRows_; }
  int shownRow = 0;

 private:
  // by column, then row: a batch run writes a few thousand cells, one after another down a column
  std::vector<std::vector<std::string>> cells_;
  std::map<int, int> widths_;
  int rows_ = 5, cols_ = 5;
  int fixedCols_ = 1, fixedRows_ = 1;
  bool visible_ = false;
};

class MemoryStatusView : public StatusView {
 public:
  void setStatusText(std::string_view s) override { text_ = s; ++statusUpdates; }
  std::string statusText() const override { return text_; }
  void setProgressVisible(bool v) override { visible_ = v; }
  bool progressVisible() const override { return visible_; }
  void setProgress(int p) override { pos_ = p; }
  int progress() const override { return pos_; }
  void setProgressRange(int minimum, int maximum) override {
    min_ = minimum;
    max_ = maximum;
  }
  int progressMaximum() const override { return max_; }
  int progressMinimum() const { return min_; }
  void processEvents() override {}
  int statusUpdates = 0;

 private:
  std::string text_;
  bool visible_ = false;
  int pos_ = 0, min_ = 0, max_ = 100;
};

class MemoryWindowView : public WindowView {
 public:
  void setCaption(std::string_view c) override { caption_ = c; }
  std::string caption() const override { return caption_; }
  void setPanelVisible(bool v) override { panel_ = v; }
  bool panelVisible() const override { return panel_; }
  void setMenuEnabled(std::string_view item, bool e) override { enabled_[std::string(item)] = e; }
  bool menuEnabled(std::string_view item) const override;
  void close() override { closeRequested = true; }
  bool closeRequested = false;

 private:
  std::string caption_;
  bool panel_ = false;
  std::map<std::string, bool, std::less<>> enabled_;
};

// Dialogs answered from a script; every message shown is recorded as "caption|text".
class ScriptedDialogs : public Dialogs {
 public:
  bool confirm(std::string_view caption, std::string_view text) override;
  void message(std::string_view caption, std::string_view text, Kind kind) override;
  bool askYesNo(std::string_view caption, std::string_view text) override;
  Answer askYesNoCancel(std::string_view caption, std::string_view text) override;
  std::string prompt(std::string_view question) override;
  std::string openFile(std::string_view startDir, std::string_view filter) override;

  std::deque<bool> confirmAnswers;        // default when empty: OK
  std::deque<bool> yesNoAnswers;          // default when empty: Yes
  std::deque<Answer> yesNoCancelAnswers;  // default when empty: Yes
  std::deque<std::string> promptAnswers;  // default when empty: ""
  std::deque<std::string> openFileAnswers;
  std::vector<std::string> shown;         // confirmations, messages and prompts in order
};

// Batch runs without a display: messages go to stderr, questions take the safe answer (Cancel, or
// No when there is no Cancel; a Yes/No/Cancel question Cancel, "don't know"), prompts answer empty.
class ConsoleDialogs : public Dialogs {
 public:
  bool confirm(std::string_view caption, std::string_view text) override;
  void message(std::string_view caption, std::string_view text, Kind kind) override;
  bool askYesNo(std::string_view caption, std::string_view text) override;
  Answer askYesNoCancel(std::string_view caption, std::string_view text) override;
  std::string prompt(std::string_view question) override;
  std::string openFile(std::string_view startDir, std::string_view filter) override;
};

}  // namespace mrv
