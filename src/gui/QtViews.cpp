#include "gui/QtViews.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextCursor>

namespace mrv {

// ---- Memo1 ----------------------------------------------------------------------------------
// An empty document and a document holding one empty line look alike in a QPlainTextEdit; the
// widget's "hasLines" property tells them apart.
static const char* kHasLines = "mrvHasLines";

void QtTextView::clear() {
  w_->clear();
  w_->setProperty(kHasLines, false);
}

void QtTextView::appendLine(std::string_view utf8) {
  const bool had = w_->property(kHasLines).toBool();
  const bool wasModified = w_->document()->isModified();
  if (!had) {
    w_->setPlainText(qs(utf8));
    w_->setProperty(kHasLines, true);
  } else {
    // appendPlainText would fold a line into an empty first line; insert the line end ourselves
    QTextCursor c(w_->document());
    c.movePosition(QTextCursor::End);
    c.insertText(QChar('\n') + qs(utf8));
  }
  w_->document()->setModified(wasModified);
}

void QtTextView::setLines(const std::vector<std::string>& lines) {
  QStringList l;
  for (const auto& s : lines) l << qs(s);
  w_->setPlainText(l.join('\n'));
  w_->setProperty(kHasLines, !lines.empty());
}

std::vector<std::string> QtTextView::lines() const {
  const QString text = w_->toPlainText();
  if (text.isEmpty() && !w_->property(kHasLines).toBool()) return {};
  std::vector<std::string> out;
  for (const auto& l : text.split('\n')) out.push_back(us(l));
  return out;
}

std::string QtTextView::selectedText() const {
  // Qt hands a selection's line ends back as U+2029
  return us(w_->textCursor().selectedText().replace(QChar(0x2029), '\n'));
}

void QtTextView::setReadOnly(bool r) { w_->setReadOnly(r); }
bool QtTextView::readOnly() const { return w_->isReadOnly(); }
bool QtTextView::modified() const { return w_->document()->isModified(); }
void QtTextView::setModified(bool m) { w_->document()->setModified(m); }
void QtTextView::setVisible(bool v) { w_->setVisible(v); }
bool QtTextView::visible() const { return !w_->isHidden(); }

// ---- StringGrid1 ----------------------------------------------------------------------------
QtGridView::QtGridView(QTableWidget* w) : w_(w) {
  w_->setRowCount(rows_ - 1);
  w_->setColumnCount(cols_ - 1);
}

std::string QtGridView::cell(int col, int row) const {
  if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return {};
  if (col == 0 && row == 0) return corner_;
  QTableWidgetItem* item = nullptr;
  if (row == 0)
    item = w_->horizontalHeaderItem(col - 1);
  else if (col == 0)
    item = w_->verticalHeaderItem(row - 1);
  else
    item = w_->item(row - 1, col - 1);
  return item ? us(item->text()) : std::string();
}

void QtGridView::setCell(int col, int row, std::string_view text) {
  if (col < 0 || row < 0 || col >= cols_) return;
  if (row >= rows_) {
    // kept until the grid grows to this row (the record writes a row before it enlarges the grid)
    if (text.empty())
      pastEnd_.erase({col, row});
    else
      pastEnd_[{col, row}] = std::string(text);
    return;
  }
  if (col == 0 && row == 0) {
    corner_ = std::string(text);
    return;
  }
  auto* item = new QTableWidgetItem(qs(text));
  if (row == 0)
    w_->setHorizontalHeaderItem(col - 1, item);
  else if (col == 0)
    w_->setVerticalHeaderItem(row - 1, item);
  else
    w_->setItem(row - 1, col - 1, item);
}

void QtGridView::setRowCount(int rows) {
  const int oldRows = rows_;
  rows_ = rows < 1 ? 1 : rows;
  if (rows_ < oldRows) std::erase_if(pastEnd_, [this](const auto& kv) { return kv.first.second >= rows_; });
  w_->setRowCount(rows_ - 1);
  // rows without a label of their own show nothing, not Qt's automatic numbers
  for (int r = 0; r < rows_ - 1; ++r)
    if (!w_->verticalHeaderItem(r)) w_->setVerticalHeaderItem(r, new QTableWidgetItem(QString()));
  // values written past the old end show now that their rows exist; rows cut off are gone
  for (auto it = pastEnd_.begin(); it != pastEnd_.end();) {
    const auto [col, row] = it->first;
    if (row < rows_) {
      const std::string text = std::move(it->second);
      it = pastEnd_.erase(it);
      setCell(col, row, text);
    } else {
      ++it;
    }
  }
}

void QtGridView::setColCount(int cols) {
  cols_ = cols < 1 ? 1 : cols;
  w_->setColumnCount(cols_ - 1);
  for (int c = 0; c < cols_ - 1; ++c)
    if (!w_->horizontalHeaderItem(c)) w_->setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
}

int QtGridView::colWidth(int col) const {
  if (col == 0) return w_->verticalHeader()->width();
  return w_->columnWidth(col - 1);
}

void QtGridView::setColWidth(int col, int width) {
  if (col == 0)
    w_->verticalHeader()->setFixedWidth(width);
  else
    w_->setColumnWidth(col - 1, width);
}

void QtGridView::clearColumn(int col) {
  for (int row = 0; row < rows_; ++row) setCell(col, row, "");
  std::erase_if(pastEnd_, [col](const auto& kv) { return kv.first.first == col; });
}

void QtGridView::setVisible(bool v) {
  w_->setVisible(v);
  // a hidden table cannot scroll: the row asked for while hidden is brought into view now
  if (v && pendingRow_ > 0) {
    const int row = pendingRow_;
    pendingRow_ = 0;
    showRow(row);
  }
}
bool QtGridView::visible() const { return !w_->isHidden(); }

void QtGridView::showRow(int row) {
  if (row < 1 || row >= rows_ || cols_ < 2) return;
  if (w_->isHidden()) {
    pendingRow_ = row;
    return;
  }
  w_->scrollTo(w_->model()->index(row - 1, 0));
}

// ---- StatusBar1, ProgressBar1 ---------------------------------------------------------------
void QtStatusView::setStatusText(std::string_view s) { text_->setText(qs(s)); }
std::string QtStatusView::statusText() const { return us(text_->text()); }
void QtStatusView::setProgressVisible(bool v) { bar_->setVisible(v); }
bool QtStatusView::progressVisible() const { return !bar_->isHidden(); }
void QtStatusView::setProgress(int p) { bar_->setValue(p); }
int QtStatusView::progress() const { return bar_->value(); }
void QtStatusView::setProgressRange(int minimum, int maximum) { bar_->setRange(minimum, maximum); }
int QtStatusView::progressMaximum() const { return bar_->maximum(); }
void QtStatusView::processEvents() { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

// ---- the window -----------------------------------------------------------------------------
void QtWindowView::setCaption(std::string_view c) { w_->setWindowTitle(qs(c)); }
std::string QtWindowView::caption() const { return us(w_->windowTitle()); }
void QtWindowView::setPanelVisible(bool v) { panel_->setVisible(v); }
bool QtWindowView::panelVisible() const { return !panel_->isHidden(); }

void QtWindowView::setMenuEnabled(std::string_view itemName, bool enabled) {
  auto it = actions_.find(itemName);
  if (it != actions_.end()) it->second->setEnabled(enabled);
}

bool QtWindowView::menuEnabled(std::string_view itemName) const {
  auto it = actions_.find(itemName);
  return it != actions_.end() && it->second->isEnabled();
}

void QtWindowView::close() {
  // A window that was never shown (batch mode) ends the program directly; closeEvent runs the
  // close check either way.
  if (w_->isVisible())
    w_->close();
  else if (w_->close())
    QApplication::quit();
}

}  // namespace mrv
