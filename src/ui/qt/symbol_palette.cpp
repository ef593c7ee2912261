#include "ui/qt/symbol_palette.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/main_controller.h"
#include "ui/qt/qt_text.h"

namespace takeoff::qtui {

namespace {

// The grid's look: ten columns 38 wide, rows 20 high, 宋体 11 points, 410 × 144.
constexpr int kColumnWidth = 38;
constexpr int kRowHeight = 20;

}  // namespace

SymbolMagnifier::SymbolMagnifier(QWidget* parent) : QLineEdit(parent) {
  setObjectName(QStringLiteral("Tmyedit"));
  setReadOnly(true);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFixedSize(55, 32);
  setFont(QFont(QStringLiteral("宋体"), 18));
  QPalette p = palette();
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(g, QPalette::Base, p.color(g, QPalette::ToolTipBase));
    p.setColor(g, QPalette::Text, p.color(g, QPalette::ToolTipText));
  }
  setPalette(p);
  hide();
}

void SymbolMagnifier::mouseReleaseEvent(QMouseEvent* event) {
  QLineEdit::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

// The focus stays where it was: a focus that reaches the box anyway is handed back.
void SymbolMagnifier::focusInEvent(QFocusEvent* event) {
  event->ignore();
  clearFocus();
}

SymbolPalette::SymbolPalette(ui::MainController& controller, QWidget* mainWindow,
                             const std::filesystem::path& symbolFile)
    : QWidget(mainWindow, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      c_(controller), core_(controller.Host()) {
  setObjectName(QStringLiteral("TfmFhAndWj"));
  setWindowTitle(QStringLiteral("插入符号"));

  grid_ = new QTableWidget(this);
  grid_->setObjectName(QStringLiteral("TMyStingGrid"));
  grid_->setFont(QFont(QStringLiteral("宋体"), 11));
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  for (QHeaderView* h : {grid_->horizontalHeader(), grid_->verticalHeader()}) {
    h->setMinimumSectionSize(1);
    h->setSectionResizeMode(QHeaderView::Fixed);
  }
  grid_->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
  grid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  grid_->setShowGrid(true);
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setFixedSize(410, 144);

  core_.FillFromFile(symbolFile);
  grid_->setColumnCount(ui::SymbolGrid::kColumns);
  grid_->setRowCount(core_.RowCount());
  for (int row = 0; row < core_.RowCount(); ++row)
    for (int col = 0; col < ui::SymbolGrid::kColumns; ++col) {
      auto* item = new QTableWidgetItem(FromCp936(core_.Cell(row, col)));
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      grid_->setItem(row, col, item);
    }

  magnifier_ = new SymbolMagnifier(grid_->viewport());
  connect(grid_, &QTableWidget::cellClicked, this, &SymbolPalette::CellClicked);
  connect(magnifier_, &SymbolMagnifier::clicked, this, [this] { c_.Guarded([this] { core_.ClickMagnifier(); }); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(grid_);
  // A single fixed border, centred on the screen.
  layout->setSizeConstraint(QLayout::SetFixedSize);
  adjustSize();
  if (QScreen* screen = mainWindow ? mainWindow->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void SymbolPalette::CellClicked(int row, int column) {
  core_.ClickCell(row, column);
  if (!core_.MagnifierVisible()) return;
  magnifier_->setText(FromCp936(core_.MagnifierText()));
  magnifier_->move(grid_->visualRect(grid_->model()->index(core_.MagnifierRow(), core_.MagnifierCol())).topLeft());
  magnifier_->show();
  magnifier_->raise();
}

bool SymbolPalette::event(QEvent* event) {
  // The palette becomes active: its symbols go where the user last worked.
  if (event->type() == QEvent::WindowActivate) core_.SetPasteTarget(c_.InsertionTarget());
  return QWidget::event(event);
}

}  // namespace takeoff::qtui
