#include "funarhf.h"

#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

#include "GradCaption.h"
#include "OrnBitBtn.h"
#include "OrnLabel.h"
#include "OrnStringGrid.h"
#include "OrnTypes.h"

namespace {

TOrnStringGrid* MakeGrid(const char* name, QWidget* parent) {
  auto* grid = new TOrnStringGrid(parent);
  grid->setObjectName(name);
  grid->setColumnCount(2);
  grid->setRowCount(2);
  grid->SetFixedCols(0);
  grid->SetFixedRows(1);
  grid->setMinimumSize(300, 200);
  grid->horizontalHeader()->setStretchLastSection(false);
  grid->setColumnWidth(0, 210);
  grid->setColumnWidth(1, 80);
  return grid;
}

}  // namespace

TFormUnarh::TFormUnarh(const orn::Job& job, const QString& filesCaption, QWidget* parent)
    : TOrnForm(parent), job_(job), filesCaption_(filesCaption) {
  setObjectName("FormUnarh");
  setWindowTitle("Choose archive");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);

  arlabel_ = new TOrnLabel(this);
  arlabel_->setObjectName("Arlabel");
  arlabel_->SetLabelStyle(OrnTypes::lsRaised);
  arlabel_->setTextFormat(Qt::PlainText);
  lbltime_ = new TOrnLabel("Laiks", this);
  lbltime_->setObjectName("lbltime");
  lbltime_->hide();

  auto* group = new QGroupBox("Arhīvs", this);
  group->setObjectName("OrnGroupBox1");
  auto* simLabel = new TOrnLabel("Saglabāšana", group);
  simLabel->setObjectName("LblSimGrid");
  auto* attLabel = new TOrnLabel("Īpašā saglabāšana", group);
  attLabel->setObjectName("LblAttGrid");
  simgrid_ = MakeGrid("simgrid", group);
  attgrid_ = MakeGrid("attgrid", group);
  // Each grid is named by its heading, for a screen reader.
  simLabel->setBuddy(simgrid_);
  attLabel->setBuddy(attgrid_);
  lastGrid_ = attgrid_;

  auto* simBox = new QVBoxLayout;
  simBox->addWidget(simLabel);
  simBox->addWidget(simgrid_, 1);
  auto* attBox = new QVBoxLayout;
  attBox->addWidget(attLabel);
  attBox->addWidget(attgrid_, 1);
  auto* grids = new QHBoxLayout(group);
  grids->addLayout(simBox);
  grids->addLayout(attBox);

  okbutlis_ = new TOrnBitBtn(this);
  okbutlis_->setObjectName("okbutlis");
  okbutlis_->SetKind(OrnTypes::bkOK);
  okbutlis_->SetCaption("OK");
  okbutlis_->setEnabled(false);
  closebutton_ = new TOrnBitBtn(this);
  closebutton_->setObjectName("closebutton");
  closebutton_->SetKind(OrnTypes::bkClose);
  closebutton_->SetCaption("Close");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okbutlis_);
  buttons->addWidget(closebutton_);

  auto* root = new QVBoxLayout(this);
  root->addWidget(arlabel_);
  root->addWidget(group, 1);
  root->addLayout(buttons);

  for (TOrnStringGrid* grid : {simgrid_, attgrid_}) {
    grid->installEventFilter(this);
    connect(grid, &QTableWidget::cellClicked, this, [this, grid] { GridClick(grid); });
    // The arrow keys choose a row as a click does; a double click takes it.
    connect(grid, &QTableWidget::currentCellChanged, this, [this, grid](int row) {
      if (row >= 1 && grid->hasFocus()) GridClick(grid);
    });
    connect(grid, &QTableWidget::cellDoubleClicked, this, [this, grid] {
      GridClick(grid);
      if (okbutlis_->isEnabled()) okbutlisClick();
    });
  }
  connect(okbutlis_, &QPushButton::clicked, this, &TFormUnarh::okbutlisClick);
  connect(closebutton_, &QPushButton::clicked, this, &TFormUnarh::closebuttonClick);

  FormCreate();
  // A small dialog: the window title is caption enough.
  GradientCaption()->SetActive(false);
  orn::CompleteInterruptedSets(job_);
  Fill(orn::ListArchives(job_));

  // Centred on the main window.
  adjustSize();
  if (parent) move(parent->window()->geometry().center() - rect().center());
}

void TFormUnarh::Fill(const orn::ArchiveChoices& choices) {
  arlabel_->SetCaption(QString::fromStdString(choices.archiveDirectory));
  FillGrid(simgrid_, choices.rotating);
  FillGrid(attgrid_, choices.unique);
}

void TFormUnarh::FillGrid(TOrnStringGrid* grid, const std::vector<orn::ArchiveRow>& rows) {
  grid->clearContents();
  // A header and at least one (empty) row, as the grid always has.
  grid->setRowCount(1 + std::max<int>(1, static_cast<int>(rows.size())));
  grid->SetCells(0, 0, filesCaption_);
  grid->SetCells(1, 0, lbltime_->Caption());
  for (size_t i = 0; i < rows.size(); ++i) {
    grid->SetCells(0, static_cast<int>(i) + 1, QString::fromStdString(rows[i].fileName));
    grid->SetCells(1, static_cast<int>(i) + 1, QString::fromStdString(rows[i].date));
  }
  grid->SetFixedRows(1);
  grid->setEnabled(!rows.empty());
  // Nothing is chosen until a row is clicked.
  grid->setCurrentCell(-1, -1);
}

void TFormUnarh::GridClick(TOrnStringGrid* grid) {
  lastGrid_ = grid;
  const int row = grid->currentRow();
  if (row >= 1 && !grid->Cells(0, row).isEmpty()) okbutlis_->setEnabled(true);
  TOrnStringGrid* other = grid == simgrid_ ? attgrid_ : simgrid_;
  QPalette active = grid->palette();
  active.setColor(QPalette::Base, orn::SystemColor(active, orn::SysColor::Window));
  grid->setPalette(active);
  QPalette inactive = other->palette();
  inactive.setColor(QPalette::Base, orn::SystemColor(inactive, orn::SysColor::BtnFace));
  other->setPalette(inactive);
  grid->viewport()->update();
  other->viewport()->update();
}

void TFormUnarh::okbutlisClick() {
  const int row = lastGrid_->currentRow();
  const QString name = row >= 1 ? lastGrid_->Cells(0, row) : QString();
  // A row without a name (the empty grid's spare row) chooses nothing.
  if (name.isEmpty()) return;
  chosenArchive_ = orn::ChosenArchivePath(job_, lastGrid_ == attgrid_, name.toStdString());
  archiveChosen_ = true;
  accept();
}

void TFormUnarh::closebuttonClick() { reject(); }

bool TFormUnarh::eventFilter(QObject* watched, QEvent* event) {
  if (watched == simgrid_ || watched == attgrid_) {
    auto* grid = static_cast<TOrnStringGrid*>(watched);
    if (event->type() == QEvent::KeyPress) {
      // Enter takes the chosen row instead of moving on to the next control.
      const int key = static_cast<QKeyEvent*>(event)->key();
      if ((key == Qt::Key_Return || key == Qt::Key_Enter) && okbutlis_->isEnabled()) {
        okbutlisClick();
        return true;
      }
    }
    if (event->type() == QEvent::FocusIn) {
      grid->setSelectionBehavior(QAbstractItemView::SelectRows);
      // Reached by the keyboard, the grid is the one OK chooses from.
      GridClick(grid);
    }
    if (event->type() == QEvent::FocusOut) grid->setSelectionBehavior(QAbstractItemView::SelectItems);
  }
  return TOrnForm::eventFilter(watched, event);
}
