#include "gui/QtDialogs.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <memory>

#include "gui/QtViews.h"

namespace mrv {

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
  setObjectName("Form2");
  setWindowTitle(QString::fromUtf8("Dorvel：問い合わせ"));
  setFixedSize(433, 146);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Label1->setGeometry(20, 16, 393, 32);
  Label1->setWordWrap(true);
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName("Edit1");
  Edit1->setGeometry(20, 56, 393, 24);
  Button1 = new QPushButton("OK", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(176, 96, 80, 28);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

QString TForm2::ask(const QString& question) {
  Label1->setText(question);
  Edit1->clear();
  Edit1->setFocus();
  if (parentWidget() && parentWidget()->isVisible())
    move(parentWidget()->geometry().center() - rect().center());
  else if (QScreen* s = screen())
    move(s->availableGeometry().center() - rect().center());
  exec();  // closed by OK or by the close box: the answer is taken either way
  return Edit1->text();
}

TForm2& QtDialogs::form2() {
  if (!form2_) form2_ = new TForm2(parent_);
  return *form2_;
}

bool QtDialogs::confirm(std::string_view caption, std::string_view text) {
  QMessageBox box(QMessageBox::Question, qs(caption.empty() ? "Mervana" : caption), qs(text),
                  QMessageBox::Ok | QMessageBox::Cancel, parent_);
  return box.exec() == QMessageBox::Ok;
}

void QtDialogs::message(std::string_view caption, std::string_view text, Kind kind) {
  const auto icon = kind == Kind::Error     ? QMessageBox::Critical
                    : kind == Kind::Warning ? QMessageBox::Warning
                                            : QMessageBox::Information;
  QMessageBox box(icon, qs(caption.empty() ? "Mervana" : caption), qs(text), QMessageBox::Ok, parent_);
  box.exec();
}

bool QtDialogs::askYesNo(std::string_view caption, std::string_view text) {
  QMessageBox box(QMessageBox::Question, qs(caption), qs(text), QMessageBox::Yes | QMessageBox::No, parent_);
  box.setEscapeButton(QMessageBox::No);  // the close box answers No
  return box.exec() == QMessageBox::Yes;
}

Dialogs::Answer QtDialogs::askYesNoCancel(std::string_view caption, std::string_view text) {
  QMessageBox box(QMessageBox::Question, qs(caption), qs(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
  box.setEscapeButton(QMessageBox::Cancel);
  const int r = box.exec();
  return r == QMessageBox::Yes ? Answer::Yes : r == QMessageBox::No ? Answer::No : Answer::Cancel;
}

std::string QtDialogs::prompt(std::string_view question) { return us(form2().ask(qs(question))); }

QStringList qtNameFilters(std::string_view filter) {
  QStringList filters;
  const QStringList parts = qs(filter).split('|');
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    // a lone description is taken as its own pattern list, as Qt reads it
    if (i + 1 >= parts.size()) {
      if (!description.isEmpty()) filters << description;
      break;
    }
    const qsizetype paren = description.lastIndexOf('(');
    if (paren > 0 && description.endsWith(')')) description = description.left(paren).trimmed();
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      for (const QString& form : {p.trimmed(), p.trimmed().toLower(), p.trimmed().toUpper()})
        if (!form.isEmpty() && !patterns.contains(form)) patterns << form;
    }
    if (patterns.isEmpty()) continue;
    filters << (description.isEmpty() ? QString() : description + ' ') + '(' + patterns.join(' ') + ')';
  }
  return filters;
}

QFileDialog* newOpenFileDialog(QWidget* parent, std::string_view startDir, std::string_view filter) {
  auto* dialog = new QFileDialog(parent, QString(), qs(startDir));
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  const QStringList filters = qtNameFilters(filter);
  if (!filters.isEmpty()) dialog->setNameFilters(filters);
  return dialog;
}

std::string QtDialogs::openFile(std::string_view startDir, std::string_view filter) {
  std::unique_ptr<QFileDialog> dialog(newOpenFileDialog(parent_, startDir, filter));
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
  return us(dialog->selectedFiles().constFirst());
}

}  // namespace mrv
