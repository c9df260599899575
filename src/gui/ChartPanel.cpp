#include "gui/ChartPanel.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "chart/SvgCanvas.h"
#include "chart/XYGraph.h"
#include "gui/QtCanvas.h"
#include "gui/QtViews.h"
#include "gui/XYGraphWidget.h"

namespace mrv {

bool saveChartPicture(const TXYGraph& graph, ChartPictureFormat format, int width, int height, const std::string& path,
                      std::string& message) {
  if (width <= 0 || height <= 0 || width > 20000 || height > 20000) {
    message = "picture size out of range";
    return false;
  }
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) {
    message = "cannot write " + path + ": " + file.errorString().toStdString();
    return false;
  }
  bool written = false;
  if (format == ChartPictureFormat::Svg) {
    const std::string svg = renderGraphSvg(graph, width, height);
    written = file.write(svg.data(), static_cast<qint64>(svg.size())) == static_cast<qint64>(svg.size());
  } else {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      QPainter painter(&image);
      QtCanvas canvas(painter);
      graph.Paint(canvas, width, height);
    }
    written = image.save(&file, "PNG");
  }
  if (!written || !file.commit()) {
    message = "cannot write " + path + ": " + file.errorString().toStdString();
    return false;
  }
  return true;
}

namespace {

// A caption label and its value label in one row of a group box.
void addRow(QGridLayout* grid, int row, QLabel* caption, QLabel* value) {
  grid->addWidget(caption, row, 0, Qt::AlignLeft | Qt::AlignVCenter);
  if (value) grid->addWidget(value, row, 1, Qt::AlignLeft | Qt::AlignVCenter);
}

}  // namespace

ChartPanel::ChartPanel(QWidget* parent, Build when) : QWidget(parent) {
  if (when == Build::Now) build();
}

void ChartPanel::setVisible(bool visible) {
  if (visible) built();  // before it shows, so its widgets show with it
  QWidget::setVisible(visible);
}

void ChartPanel::build() {
  built_ = true;
  auto makeLabel = [this](const char* name) {
    auto* l = new QLabel(this);
    l->setObjectName(name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    labels_[name] = l;
    return l;
  };
  auto makeBox = [this](const char* name) {
    auto* box = new QGroupBox(this);
    box->setObjectName(name);
    return box;
  };

  QGroupBox* driveBox = makeBox("GroupBox2");
  auto* driveGrid = new QGridLayout(driveBox);
  addRow(driveGrid, 0, makeLabel("Label1"), makeLabel("Label2"));
  addRow(driveGrid, 1, makeLabel("Label3"), makeLabel("Label4"));
  addRow(driveGrid, 2, makeLabel("Label5"), makeLabel("Label6"));
  addRow(driveGrid, 3, makeLabel("Label7"), makeLabel("Label8"));
  driveGrid->setColumnStretch(1, 1);

  QGroupBox* latest = makeBox("GroupBox1");
  auto* latestGrid = new QGridLayout(latest);
  int row = 0;
  for (const auto& [caption, value] : {std::pair{"Label9", "Label10"}, {"Label11", "Label12"}, {"Label13", "Label14"},
                                       {"Label15", "Label16"}, {"Label17", "Label18"}, {"Label19", "Label20"},
                                       {"Label21", "Label22"}, {"Label23", "Label24"}})
    addRow(latestGrid, row++, makeLabel(caption), makeLabel(value));
  addRow(latestGrid, row, new QLabel(this), makeLabel("Label25"));  // the time under the date
  latestGrid->setColumnStretch(1, 1);

  for (const auto& [name, caption] : kChartPanelCaptions) {
    if (auto it = labels_.find(name); it != labels_.end()) it->second->setText(qs(caption));
    else if (auto* box = findChild<QGroupBox*>(qs(name))) box->setTitle(qs(caption));
  }

  auto* left = new QVBoxLayout;
  left->addWidget(driveBox);
  left->addWidget(latest);
  left->addStretch(1);

  combo_ = new QComboBox(this);
  combo_->setObjectName("ComboBox1");
  combo_->setPlaceholderText(qs(kComboBox1Text));
  combo_->setMinimumContentsLength(16);
  combo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combo_->setMaxVisibleItems(24);
  connect(combo_, &QComboBox::activated, this, [this](int) {
    if (onChoice_) onChoice_();
  });
  QLabel* status = makeLabel("Label27");
  QFont bold = status->font();
  bold.setBold(true);
  status->setFont(bold);
  QPalette red = status->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  status->setPalette(red);

  auto* top = new QHBoxLayout;
  top->addWidget(combo_);
  top->addWidget(status, 1);

  graph_ = new XYGraphWidget(this);
  graph_->setObjectName("XYGraph1");
  graph_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(graph_, &QWidget::customContextMenuRequested, this, &ChartPanel::showChartMenu);

  auto* right = new QVBoxLayout;
  right->addLayout(top);
  right->addWidget(graph_, 1);
  right->addWidget(makeLabel("Label26"));

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addLayout(left);
  layout->addLayout(right, 1);
}

ChartPanel::~ChartPanel() = default;

QLabel* ChartPanel::label(std::string_view name) const {
  built();
  auto it = labels_.find(name);
  return it == labels_.end() ? nullptr : it->second;
}

void ChartPanel::setLabelText(std::string_view name, std::string_view text) {
  if (QLabel* l = label(name)) l->setText(qs(text));
}

std::string ChartPanel::labelText(std::string_view name) const {
  const QLabel* l = label(name);
  return l ? us(l->text()) : std::string();
}

void ChartPanel::setLabelColor(std::string_view name, LabelColor color) {
  QLabel* l = label(name);
  if (!l) return;
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, color == LabelColor::Red ? QColor(Qt::red) : QColor(Qt::black));
  l->setPalette(p);
}

LabelColor ChartPanel::labelColor(std::string_view name) const {
  const QLabel* l = label(name);
  return l && l->palette().color(QPalette::WindowText) == QColor(Qt::red) ? LabelColor::Red : LabelColor::Black;
}

void ChartPanel::setChoices(const std::vector<std::string>& items) {
  built();
  const QSignalBlocker block(combo_);
  combo_->clear();
  for (const auto& i : items) combo_->addItem(qs(i));
  combo_->setCurrentIndex(-1);
}

std::vector<std::string> ChartPanel::choices() const {
  built();
  std::vector<std::string> items;
  for (int i = 0; i < combo_->count(); ++i) items.push_back(us(combo_->itemText(i)));
  return items;
}

void ChartPanel::setChoiceIndex(int index) {
  built();
  const QSignalBlocker block(combo_);
  combo_->setCurrentIndex(index >= 0 && index < combo_->count() ? index : -1);
}

int ChartPanel::choiceIndex() const {
  built();
  return combo_->currentIndex();
}

TXYGraph& ChartPanel::XYGraph1() {
  built();
  return graph_->graph();
}

void ChartPanel::showChartMenu(const QPoint& at) {
  QMenu menu(this);
  QAction* png = menu.addAction(QString::fromUtf8("グラフをPNG画像で保存..."));
  QAction* svg = menu.addAction(QString::fromUtf8("グラフをSVG画像で保存..."));
  QAction* chosen = menu.exec(graph_->mapToGlobal(at));
  if (chosen == png) saveAs(ChartPictureFormat::Png);
  else if (chosen == svg) saveAs(ChartPictureFormat::Svg);
}

void ChartPanel::saveAs(ChartPictureFormat format) {
  const bool isPng = format == ChartPictureFormat::Png;
  const QString path = QFileDialog::getSaveFileName(this, QString::fromUtf8("グラフの保存"), QString(),
                                                    isPng ? "PNG (*.png)" : "SVG (*.svg)");
  if (path.isEmpty()) return;
  std::string message;
  if (!saveChartPicture(graph_->graph(), format, graph_->width(), graph_->height(), path.toStdString(), message))
    QMessageBox::warning(this, "Mervana", QString::fromUtf8("グラフを保存できませんでした\n") + qs(message));
}

}  // namespace mrv
