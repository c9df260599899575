#pragma once
// Form1: the Qt window. It owns the widgets and the component adapters over them; every command
// runs in TForm1.
#include <QMainWindow>
#include <memory>

#include "app/TForm1.h"
#include "gui/QtDialogs.h"
#include "gui/QtScreenInfo.h"
#include "gui/QtViews.h"

class QPlainTextEdit;
class QTableWidget;

namespace mrv {

class ChartPanel;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  MainWindow(const Platform& platform, const std::string& programPath);
  ~MainWindow() override;

  TForm1& form() { return *form_; }
  QWidget* Panel1() const;
  ChartPanel* chartPanel() const { return panel1_; }
  QPlainTextEdit* Memo1() const { return memo1_; }
  // made now if no command has filled or shown it yet
  QTableWidget* StringGrid1() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();

  QPlainTextEdit* memo1_;
  ChartPanel* panel1_;
  std::unique_ptr<QtTextView> memoView_;
  std::unique_ptr<QtGridView> gridView_;
  std::unique_ptr<QtStatusView> statusView_;
  std::unique_ptr<QtWindowView> windowView_;
  std::unique_ptr<QtDialogs> dialogs_;
  std::unique_ptr<QtScreenInfo> screen_;
  std::unique_ptr<TForm1> form_;
};

}  // namespace mrv
