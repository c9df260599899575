#pragma once
// How both readers of the item definition file (the custom items and the label pass) walk it and
// split its "#" lines, so that the two always agree on how many rows a line stands for.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

// The file is read one line ahead: the first line is read at once, and a line is interpreted only
// when the end of the file was not reached by reading it. So the last line is interpreted only as
// part of the line before it (a value line of a registry block, a licence line after a "." line),
// and a definition file ends with a comment line.
class DefinitionLines {
 public:
  explicit DefinitionLines(const std::vector<std::string>& lines) : lines_(lines) { next(); }
  const std::string& current() const { return current_; }
  // True once the line last read was the file's last (or there was none).
  bool atEnd() const { return pos_ >= lines_.size(); }
  // Reads the next line into current(); past the end it reads an empty line.
  void next() { current_ = pos_ < lines_.size() ? lines_[pos_++] : std::string(); }

 private:
  const std::vector<std::string>& lines_;
  std::size_t pos_ = 0;
  std::string current_;
};

// A "#" line: the list name (the text after "#" up to the first space, lower-cased) and the
// argument (the text after the first space).
struct SpecialListLine {
  std::string name;
  bool hasSpace = false;
  std::string argument;
};
SpecialListLine ParseSpecialList(std::string_view line);

// The most rows one "#" line may ask for: a mistyped count must not stall the PC at logon.
inline constexpr int kMaxListRows = 1000;
// The row count N of a "#" line: its argument as a whole integer; 1 when it is missing, not an
// integer, zero or negative; at most kMaxListRows.
int ListRowCount(std::string_view argument);

}  // namespace mrv
