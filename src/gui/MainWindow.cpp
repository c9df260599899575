#include "gui/MainWindow.h"

#include <algorithm>

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/MenuTable.h"
#include "gui/ChartPanel.h"

namespace mrv {

namespace {
// The window's face: the Windows one, or else the nearest Japanese Gothic face of other desktops,
// the first of them this desktop has; characters it lacks come from the font configuration's own
// choice of faces. Every further face asked for costs a search of the font configuration for each
// kind of text the window shows, whether installed or not (2 ms of a 40 ms start). With none of
// them installed, all are asked for, and the font configuration chooses (an alias it may have for
// one of them, or its own Japanese face).
QStringList windowFamilies() {
  const QStringList wanted{QString::fromUtf8("ＭＳ Ｐゴシック"), "MS PGothic", "IPAPGothic", "IPAGothic",
                           "Noto Sans CJK JP"};
  const QStringList installed = QFontDatabase::families();
  for (const QString& family : wanted) {
    // a family that more than one foundry gives is listed as "family [foundry]"
    const bool found = std::any_of(installed.begin(), installed.end(), [&family](const QString& name) {
      return name.compare(family, Qt::CaseInsensitive) == 0 || name.startsWith(family + " [", Qt::CaseInsensitive);
    });
    if (found) return {family};
  }
  return wanted;
}

QFont pixelFont(const QStringList& families, int pixels) {
  QFont f;
  f.setFamilies(families);
  f.setPixelSize(pixels);
  return f;
}
}  // namespace

MainWindow::MainWindow(const Platform& platform, const std::string& programPath) {
  setObjectName("Form1");
  resize(749, 488);
  const QStringList families = windowFamilies();
  setFont(pixelFont(families, 12));
  if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  memo1_ = new QPlainTextEdit(central);
  memo1_->setObjectName("Memo1");
  memo1_->setFont(pixelFont(families, 16));
  memo1_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  // hidden until a chart command shows it: its widgets are made then
  panel1_ = new ChartPanel(central, ChartPanel::Build::WhenFirstUsed);
  panel1_->setObjectName("Panel1");
  panel1_->hide();

  auto* progress = new QProgressBar(central);
  progress->setObjectName("ProgressBar1");
  progress->setRange(0, 100);
  progress->setTextVisible(false);
  progress->setMaximumHeight(16);
  progress->hide();

  layout->addWidget(memo1_, 1);
  layout->addWidget(panel1_, 1);
  layout->addWidget(progress);
  setCentralWidget(central);

  auto* statusText = new QLabel(this);
  statusText->setObjectName("StatusBar1");
  statusBar()->addWidget(statusText, 1);

  memoView_ = std::make_unique<QtTextView>(memo1_);
  // StringGrid1 is hidden until a command fills it: it is made then (a table view takes a good
  // part of the window's start), in its place under Memo1
  gridView_ = std::make_unique<QtGridView>([this, central, layout] {
    auto* grid = new QTableWidget(central);
    grid->setObjectName("StringGrid1");
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setDefaultSectionSize(16);
    grid->verticalHeader()->setMinimumSectionSize(12);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setStretchLastSection(false);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->setWordWrap(false);
    grid->hide();
    layout->insertWidget(layout->indexOf(memo1_) + 1, grid, 1);
    QWidget::setTabOrder(memo1_, grid);  // where it would stand had it been made with the others
    return grid;
  });
  statusView_ = std::make_unique<QtStatusView>(statusText, progress);
  windowView_ = std::make_unique<QtWindowView>(this, panel1_);
  dialogs_ = std::make_unique<QtDialogs>(this);
  form_ = std::make_unique<TForm1>(*memoView_, *gridView_, *statusView_, *windowView_, *dialogs_, platform, programPath);
  screen_ = std::make_unique<QtScreenInfo>(*this);
  form_->setScreen(screen_.get());
  form_->setChartPanel(*panel1_);
  panel1_->setOnChoice([this] { form_->runCommand("ComboBox1"); });
  buildMenus();
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::Panel1() const { return panel1_; }

QTableWidget* MainWindow::StringGrid1() const { return gridView_->table(); }

void MainWindow::buildMenus() {
  auto* bar = menuBar();
  bar->setObjectName("MainMenu1");
  for (const auto& menu : MainMenu1()) {
    QMenu* m = bar->addMenu(qs(menu.caption));
    m->setObjectName(qs(menu.name));
    for (const auto& item : menu.items) {
      if (item.separatorBefore) m->addSeparator();
      QAction* a = m->addAction(qs(item.caption));
      a->setObjectName(qs(item.name));
      const std::string name(item.name);
      connect(a, &QAction::triggered, this, [this, name] { form_->runCommand(name); });
      a->setEnabled(form_->hasCommand(item.name));
      windowView_->addAction(name, a);
    }
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (form_->FormCloseQuery())
    event->accept();
  else
    event->ignore();
}

}  // namespace mrv
