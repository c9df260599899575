#include "ui/MemoryViews.h"

#include <iostream>

namespace mrv {

std::string MemoryGridView::cell(int col, int row) const {
  if (row >= rows_ || col < 0 || row < 0) return {};  // kept, but not shown until the grid grows
  const auto c = static_cast<std::size_t>(col), r = static_cast<std::size_t>(row);
  return c < cells_.size() && r < cells_[c].size() ? cells_[c][r] : std::string();
}

void MemoryGridView::setCell(int col, int row, std::string_view text) {
  // A value written past the last row is kept and shows once the grid grows to it (the record
  // writes a row before it enlarges the grid).
  if (col < 0 || row < 0 || col >= cols_) return;
  const auto c = static_cast<std::size_t>(col), r = static_cast<std::size_t>(row);
  if (text.empty()) {
    if (c < cells_.size() && r < cells_[c].size()) cells_[c][r].clear();
    return;
  }
  if (cells_.size() <= c) cells_.resize(c + 1);
  if (cells_[c].size() <= r) cells_[c].resize(r + 1);
  cells_[c][r].assign(text);
}

void MemoryGridView::setRowCount(int rows) {
  const int newRows = rows < 0 ? 0 : rows;
  // shrinking drops the rows cut off; growing shows what was written past the old end
  if (newRows < rows_)
    for (auto& column : cells_)
      if (column.size() > static_cast<std::size_t>(newRows)) column.resize(static_cast<std::size_t>(newRows));
  rows_ = newRows;
}

void MemoryGridView::setColCount(int cols) {
  cols_ = cols < 0 ? 0 : cols;
  if (cells_.size() > static_cast<std::size_t>(cols_)) cells_.resize(static_cast<std::size_t>(cols_));
}

int MemoryGridView::colWidth(int col) const {
  auto it = widths_.find(col);
  return it == widths_.end() ? 64 : it->second;
}

void MemoryGridView::clearColumn(int col) {
  if (col >= 0 && static_cast<std::size_t>(col) < cells_.size()) cells_[static_cast<std::size_t>(col)].clear();
}

bool MemoryWindowView::menuEnabled(std::string_view item) const {
  auto it = enabled_.find(item);
  return it == enabled_.end() ? true : it->second;
}

bool ScriptedDialogs::confirm(std::string_view caption, std::string_view text) {
  shown.push_back(std::string(caption) + "|" + std::string(text));
  if (confirmAnswers.empty()) return true;
  const bool a = confirmAnswers.front();
  confirmAnswers.pop_front();
  return a;
}

void ScriptedDialogs::message(std::string_view caption, std::string_view text, Kind) {
  shown.push_back(std::string(caption) + "|" + std::string(text));
}

bool ScriptedDialogs::askYesNo(std::string_view caption, std::string_view text) {
  shown.push_back(std::string(caption) + "|" + std::string(text));
  if (yesNoAnswers.empty()) return true;
  const bool a = yesNoAnswers.front();
  yesNoAnswers.pop_front();
  return a;
}

Dialogs::Answer ScriptedDialogs::askYesNoCancel(std::string_view caption, std::string_view text) {
  shown.push_back(std::string(caption) + "|" + std::string(text));
  if (yesNoCancelAnswers.empty()) return Answer::Yes;
  const Answer a = yesNoCancelAnswers.front();
  yesNoCancelAnswers.pop_front();
  return a;
}

std::string ScriptedDialogs::prompt(std::string_view question) {
  shown.push_back("prompt|" + std::string(question));
  if (promptAnswers.empty()) return {};
  std::string a = promptAnswers.front();
  promptAnswers.pop_front();
  return a;
}

std::string ScriptedDialogs::openFile(std::string_view, std::string_view) {
  if (openFileAnswers.empty()) return {};
  std::string a = openFileAnswers.front();
  openFileAnswers.pop_front();
  return a;
}

bool ConsoleDialogs::confirm(std::string_view caption, std::string_view text) {
  std::cerr << "mervana: " << caption << ": " << text << " -> キャンセル\n";
  return false;
}

void ConsoleDialogs::message(std::string_view caption, std::string_view text, Kind) {
  std::cerr << "mervana: " << (caption.empty() ? std::string_view("Mervana") : caption) << ": " << text << "\n";
}

bool ConsoleDialogs::askYesNo(std::string_view caption, std::string_view text) {
  std::cerr << "mervana: " << caption << ": " << text << " -> いいえ (no answer in a batch run without a display)\n";
  return false;
}

Dialogs::Answer ConsoleDialogs::askYesNoCancel(std::string_view caption, std::string_view text) {
  std::cerr << "mervana: " << caption << ": " << text << " -> キャンセル (no answer in a batch run without a display)\n";
  return Answer::Cancel;
}

std::string ConsoleDialogs::prompt(std::string_view question) {
  std::cerr << "mervana: " << question << " -> (no answer in a batch run without a display)\n";
  return {};
}

std::string ConsoleDialogs::openFile(std::string_view, std::string_view) { return {}; }

}  // namespace mrv
