#pragma once
// The window's components as the command handlers see them. The Qt window implements these over
// its widgets; tests and headless batch runs use the in-memory ones (MemoryViews.h).
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

struct TextView {  // Memo1
  virtual void clear() = 0;
  virtual void appendLine(std::string_view utf8) = 0;
  virtual void setLines(const std::vector<std::string>& lines) = 0;
  virtual std::vector<std::string> lines() const = 0;
  virtual std::string selectedText() const = 0;
  virtual void setReadOnly(bool) = 0;
  virtual bool readOnly() const = 0;
  virtual bool modified() const = 0;
  virtual void setModified(bool) = 0;
  virtual void setVisible(bool) = 0;
  virtual bool visible() const = 0;
  virtual ~TextView() = default;
};

struct GridView {  // StringGrid1; cells are addressed (column, row) as the grid does
  virtual std::string cell(int col, int row) const = 0;
  virtual void setCell(int col, int row, std::string_view text) = 0;
  virtual int rowCount() const = 0;
  virtual void setRowCount(int rows) = 0;
  virtual int colCount() const = 0;
  virtual void setColCount(int cols) = 0;
  virtual int colWidth(int col) const = 0;
  virtual void setColWidth(int col, int width) = 0;
  virtual void clearColumn(int col) = 0;
  virtual void setVisible(bool) = 0;
  virtual bool visible() const = 0;
  // Scrolls so that the row is in view.
  virtual void showRow(int row) = 0;
  // How many rows at the top and columns at the left stay in view when the grid scrolls, grey
  // like headers (at least 1 each: row 0 and column 0 always are). The grid starts with 1 and 1.
  virtual void setFixed(int cols, int rows) = 0;
  virtual int fixedCols() const = 0;
  virtual int fixedRows() const = 0;
  virtual ~GridView() = default;
};

struct StatusView {  // StatusBar1 and ProgressBar1
  virtual void setStatusText(std::string_view) = 0;
  virtual std::string statusText() const = 0;
  virtual void setProgressVisible(bool) = 0;
  virtual bool progressVisible() const = 0;
  virtual void setProgress(int position) = 0;
  virtual int progress() const = 0;
  // The bar's range (0 to 100 unless set).
  virtual void setProgressRange(int minimum, int maximum) = 0;
  virtual int progressMaximum() const = 0;
  // Lets the window repaint during a long command (the status text and bar must be seen).
  virtual void processEvents() = 0;
  virtual ~StatusView() = default;
};

// The rest of the window: caption, the chart panel, menu item states, closing.
struct WindowView {
  virtual void setCaption(std::string_view) = 0;
  virtual std::string caption() const = 0;
  virtual void setPanelVisible(bool) = 0;  // Panel1
  virtual bool panelVisible() const = 0;
  virtual void setMenuEnabled(std::string_view itemName, bool enabled) = 0;
  virtual bool menuEnabled(std::string_view itemName) const = 0;
  // Asks the window to close; the close check runs before it does.
  virtual void close() = 0;
  virtual ~WindowView() = default;
};

// Message boxes with the system's fixed captions and buttons, the prompt dialog Form2 and the
// file-open dialog.
struct Dialogs {
  enum class Kind { Information, Warning, Error };
  // OK / Cancel question; true for OK.
  virtual bool confirm(std::string_view caption, std::string_view text) = 0;
  // A message with one OK button.
  virtual void message(std::string_view caption, std::string_view text, Kind kind) = 0;
  // Yes / No question; true for Yes.
  virtual bool askYesNo(std::string_view caption, std::string_view text) = 0;
  // Yes / No / Cancel question.
  enum class Answer { Yes, No, Cancel };
  virtual Answer askYesNoCancel(std::string_view caption, std::string_view text) = 0;
  // Form2: shows the prompt, returns the answer as typed (empty when nothing was typed).
  virtual std::string prompt(std::string_view question) = 0;
  // Open-file dialog; empty when cancelled.
  virtual std::string openFile(std::string_view startDir, std::string_view filter) = 0;
  virtual ~Dialogs() = default;
};

}  // namespace mrv
