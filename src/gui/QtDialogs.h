#pragma once
// Message boxes, the prompt dialog Form2 and the file-open dialog, as modal Qt dialogs.
#include <QDialog>
#include <QStringList>

#include "ui/Views.h"

class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mrv {

// Form2: "Dorvel：問い合わせ", 433 × 146, a question (Label1), an answer field (Edit1) and OK (Button1).
class TForm2 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* parent = nullptr);
  // Shows the question modally and returns what was typed when the dialog closed (by OK or the box).
  QString ask(const QString& question);
  QLabel* Label1;
  QLineEdit* Edit1;
  QPushButton* Button1;
};

// A filter of the form the program gives its open dialogs ("description|patterns", pairs joined
// by "|", patterns by ";", as the Windows dialog takes them) as Qt name filters: "description
// (patterns)", the description's own "(...)" replaced by the patterns. The Windows dialog matches
// patterns whatever their case; a Qt dialog may not, so each pattern is given in lower and upper
// case too. "CSV files (*.csv)|*.CSV" gives {"CSV files (*.CSV *.csv)"}.
QStringList qtNameFilters(std::string_view filter);

// The open-file dialog of QtDialogs::openFile, not yet shown.
QFileDialog* newOpenFileDialog(QWidget* parent, std::string_view startDir, std::string_view filter);

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  bool confirm(std::string_view caption, std::string_view text) override;
  void message(std::string_view caption, std::string_view text, Kind kind) override;
  bool askYesNo(std::string_view caption, std::string_view text) override;
  Answer askYesNoCancel(std::string_view caption, std::string_view text) override;
  std::string prompt(std::string_view question) override;
  std::string openFile(std::string_view startDir, std::string_view filter) override;
  TForm2& form2();

 private:
  QWidget* parent_;
  TForm2* form2_ = nullptr;
};

}  // namespace mrv
