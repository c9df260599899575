#include "gui/MainWindow.h"

#include <QCloseEvent>
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
QFont pixelFont(int pixels) {
  QFont f;
  // the Windows face first; on other desktops the nearest Japanese Gothic
  f.setFamilies({QString::fromUtf8("ＭＳ Ｐゴシック"), "MS PGothic", "IPAPGothic", "IPAGothic", "Noto Sans CJK JP"});
  f.setPixelSize(pixels);
  return f;
}
}  // namespace

MainWindow::MainWindow(const Platform& platform, const std::string& programPath) {
  setObjectName("Form1");
  resize(749, 488);
  setFont(pixelFont(12));
  if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  memo1_ = new QPlainTextEdit(central);
  memo1_->setObjectName("Memo1");
  memo1_->setFont(pixelFont(16));
  memo1_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  grid1_ = new QTableWidget(central);
  grid1_->setObjectName("StringGrid1");
  grid1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid1_->verticalHeader()->setDefaultSectionSize(16);
  grid1_->verticalHeader()->setMinimumSectionSize(12);
  grid1_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid1_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  grid1_->horizontalHeader()->setStretchLastSection(false);
  grid1_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  grid1_->setWordWrap(false);
  grid1_->hide();

  panel1_ = new ChartPanel(central);
  panel1_->setObjectName("Panel1");
  panel1_->hide();

  auto* progress = new QProgressBar(central);
  progress->setObjectName("ProgressBar1");
  progress->setRange(0, 100);
  progress->setTextVisible(false);
  progress->setMaximumHeight(16);
  progress->hide();

  layout->addWidget(memo1_, 1);
  layout->addWidget(grid1_, 1);
  layout->addWidget(panel1_, 1);
  layout->addWidget(progress);
  setCentralWidget(central);

  auto* statusText = new QLabel(this);
  statusText->setObjectName("StatusBar1");
  statusBar()->addWidget(statusText, 1);

  memoView_ = std::make_unique<QtTextView>(memo1_);
  gridView_ = std::make_unique<QtGridView>(grid1_);
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
