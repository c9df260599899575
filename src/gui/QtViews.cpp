#include "gui/QtViews.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTableWidget>
#include <QWheelEvent>
#include <algorithm>
#include <functional>
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
namespace {

// A view of the table's own model laid over one of its edges. It is as large as the fixed part it
// shows, so what lies beyond is cut off; it follows the table's scrolling along its edge and
// hands the wheel to the table.
class FixedPartView : public QTableView {
 public:
  FixedPartView(QTableWidget* table, const char* name) : QTableView(table), table_(table) {
    setObjectName(name);
    setModel(table->model());
    setSelectionModel(table->selectionModel());
    setFocusPolicy(Qt::NoFocus);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollMode(table->horizontalScrollMode());
    setVerticalScrollMode(table->verticalScrollMode());
    setFrameShape(QFrame::NoFrame);
    setFont(table->font());
    setWordWrap(table->wordWrap());
    setShowGrid(table->showGrid());
    QPalette p = palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));  // grey, as fixed cells are
    setPalette(p);
    verticalHeader()->setMinimumSectionSize(table->verticalHeader()->minimumSectionSize());
    verticalHeader()->setDefaultSectionSize(table->verticalHeader()->defaultSectionSize());
    horizontalHeader()->setMinimumSectionSize(table->horizontalHeader()->minimumSectionSize());
    // a column widened by dragging in this header widens the table's
    QObject::connect(horizontalHeader(), &QHeaderView::sectionResized, table, [table](int c, int, int size) {
      if (table->columnWidth(c) != size) table->setColumnWidth(c, size);
    });
  }

  // Section sizes and header sizes as the table has them.
  void follow(int columns, int rows) {
    for (int c = 0; c < columns && c < model()->columnCount(); ++c)
      if (columnWidth(c) != table_->columnWidth(c)) setColumnWidth(c, table_->columnWidth(c));
    for (int r = 0; r < rows && r < model()->rowCount(); ++r)
      if (rowHeight(r) != table_->rowHeight(r)) setRowHeight(r, table_->rowHeight(r));
    verticalHeader()->setFixedWidth(table_->verticalHeader()->width());
    horizontalHeader()->setFixedHeight(table_->horizontalHeader()->height());
    verticalHeader()->setVisible(!table_->verticalHeader()->isHidden());
    horizontalHeader()->setVisible(!table_->horizontalHeader()->isHidden());
  }

 protected:
  void wheelEvent(QWheelEvent* e) override { QCoreApplication::sendEvent(table_->viewport(), e); }

 private:
  QTableWidget* table_;
};

class GridWatcher : public QObject {
 public:
  GridWatcher(QTableWidget* table, std::function<void()> changed) : QObject(table), changed_(std::move(changed)) {
    table->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Resize || e->type() == QEvent::Show || e->type() == QEvent::LayoutRequest) changed_();
    return false;
  }

 private:
  std::function<void()> changed_;
};

}  // namespace

QtGridView::QtGridView(QTableWidget* w) : w_(w) {
  w_->setRowCount(rows_ - 1);
  w_->setColumnCount(cols_ - 1);
}

QtGridView::QtGridView(std::function<QTableWidget*()> make) : make_(std::move(make)) {}

QTableWidget* QtGridView::table() const {
  if (!w_) {
    // every change goes through here first, so the new table starts from the grid's first state
    w_ = make_();
    w_->setRowCount(rows_ - 1);
    w_->setColumnCount(cols_ - 1);
  }
  return w_;
}

QtGridView::~QtGridView() { delete watcher_.data(); }

void QtGridView::setFixed(int cols, int rows) {
  fixedCols_ = cols < 1 ? 1 : cols;
  fixedRows_ = rows < 1 ? 1 : rows;
  if (!watcher_ && (fixedCols_ > 1 || fixedRows_ > 1)) {
    QTableWidget* const w = table();
    watcher_ = new GridWatcher(w, [this] { layoutFixed(); });
    const auto relayout = [this] { layoutFixed(); };
    QObject::connect(w->horizontalHeader(), &QHeaderView::sectionResized, watcher_, relayout);
    QObject::connect(w->verticalHeader(), &QHeaderView::sectionResized, watcher_, relayout);
    QObject::connect(w->horizontalHeader(), &QHeaderView::geometriesChanged, watcher_, relayout);
    QObject::connect(w->verticalScrollBar(), &QScrollBar::rangeChanged, watcher_, relayout);
    QObject::connect(w->horizontalScrollBar(), &QScrollBar::rangeChanged, watcher_, relayout);
    // the fixed columns scroll up and down with the table, the fixed rows left and right
    QObject::connect(w->verticalScrollBar(), &QScrollBar::valueChanged, watcher_, [this](int v) {
      if (fixedColsView_) fixedColsView_->verticalScrollBar()->setValue(v);
    });
    QObject::connect(w->horizontalScrollBar(), &QScrollBar::valueChanged, watcher_, [this](int v) {
      if (fixedRowsView_) fixedRowsView_->horizontalScrollBar()->setValue(v);
    });
  }
  layoutFixed();
}

void QtGridView::layoutFixed() {
  QTableWidget* const w = table();
  // table rows and columns beyond the headers that stay (never all of them: one scrolls)
  const int rows = std::clamp(fixedRows_ - 1, 0, std::max(rows_ - 2, 0));
  const int cols = std::clamp(fixedCols_ - 1, 0, std::max(cols_ - 2, 0));
  auto place = [this, w](QPointer<QTableView>& view, bool wanted, const char* name, int shownCols, int shownRows) {
    if (!wanted) {
      delete view.data();
      return;
    }
    if (!view) view = new FixedPartView(w, name);
    auto* part = static_cast<FixedPartView*>(view.data());
    part->follow(shownCols < 0 ? cols_ - 1 : shownCols, shownRows < 0 ? rows_ - 1 : shownRows);
    const QHeaderView* top = w->horizontalHeader();
    const QHeaderView* left = w->verticalHeader();
    int width = (left->isHidden() ? 0 : left->width()) + w->viewport()->width();
    if (shownCols >= 0) {
      width = left->isHidden() ? 0 : left->width();
      for (int c = 0; c < shownCols; ++c) width += w->isColumnHidden(c) ? 0 : w->columnWidth(c);
    }
    int height = (top->isHidden() ? 0 : top->height()) + w->viewport()->height();
    if (shownRows >= 0) {
      height = top->isHidden() ? 0 : top->height();
      for (int r = 0; r < shownRows; ++r) height += w->isRowHidden(r) ? 0 : w->rowHeight(r);
    }
    const int frame = w->frameWidth();
    part->setGeometry(frame, frame, width, height);
    part->verticalScrollBar()->setValue(shownRows < 0 ? w->verticalScrollBar()->value() : 0);
    part->horizontalScrollBar()->setValue(shownCols < 0 ? w->horizontalScrollBar()->value() : 0);
    part->show();
    part->raise();
  };
  place(fixedColsView_, cols > 0, "fixedColumns", cols, -1);
  place(fixedRowsView_, rows > 0, "fixedRows", -1, rows);
  place(fixedCornerView_, cols > 0 && rows > 0, "fixedCorner", cols, rows);
}

std::string QtGridView::cell(int col, int row) const {
  if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return {};
  if (col == 0 && row == 0) return corner_;
  QTableWidgetItem* item = nullptr;
  if (row == 0)
    item = table()->horizontalHeaderItem(col - 1);
  else if (col == 0)
    item = table()->verticalHeaderItem(row - 1);
  else
    item = table()->item(row - 1, col - 1);
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
    table()->setHorizontalHeaderItem(col - 1, item);
  else if (col == 0)
    table()->setVerticalHeaderItem(row - 1, item);
  else
    table()->setItem(row - 1, col - 1, item);
}

void QtGridView::setRowCount(int rows) {
  const int oldRows = rows_;
  rows_ = rows < 1 ? 1 : rows;
  if (rows_ < oldRows) std::erase_if(pastEnd_, [this](const auto& kv) { return kv.first.second >= rows_; });
  table()->setRowCount(rows_ - 1);
  // rows without a label of their own show nothing, not Qt's automatic numbers
  for (int r = 0; r < rows_ - 1; ++r)
    if (!table()->verticalHeaderItem(r)) table()->setVerticalHeaderItem(r, new QTableWidgetItem(QString()));
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
  if (watcher_) layoutFixed();
}

void QtGridView::setColCount(int cols) {
  cols_ = cols < 1 ? 1 : cols;
  table()->setColumnCount(cols_ - 1);
  for (int c = 0; c < cols_ - 1; ++c)
    if (!table()->horizontalHeaderItem(c)) table()->setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
  if (watcher_) layoutFixed();
}

int QtGridView::colWidth(int col) const {
  if (col == 0) return table()->verticalHeader()->width();
  return table()->columnWidth(col - 1);
}

void QtGridView::setColWidth(int col, int width) {
  if (col == 0)
    table()->verticalHeader()->setFixedWidth(width);
  else
    table()->setColumnWidth(col - 1, width);
}

void QtGridView::clearColumn(int col) {
  for (int row = 0; row < rows_; ++row) setCell(col, row, "");
  std::erase_if(pastEnd_, [col](const auto& kv) { return kv.first.first == col; });
}

void QtGridView::setVisible(bool v) {
  if (!v && !w_) return;  // a table not made yet is not shown
  table()->setVisible(v);
  // a hidden table cannot scroll: the row asked for while hidden is brought into view now
  if (v && pendingRow_ > 0) {
    const int row = pendingRow_;
    pendingRow_ = 0;
    showRow(row);
  }
}
bool QtGridView::visible() const { return w_ && !w_->isHidden(); }

void QtGridView::showRow(int row) {
  if (row < 1 || row >= rows_ || cols_ < 2) return;
  if (!w_ || w_->isHidden()) {
    pendingRow_ = row;
    return;
  }
  table()->scrollTo(table()->model()->index(row - 1, 0));
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
