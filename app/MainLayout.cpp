// The main window's components, their layout and their wiring. Names are the
// component names of the window; captions are its design texts.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "GradCaption.h"
#include "JobEdits.h"
#include "MainUnit.h"
#include "MessageLog.h"
#include "OrnAccessible.h"
#include "OrnEdits.h"
#include "OrnLabel.h"
#include "OrnStringGrid.h"
#include "OrnTabs.h"

namespace {

TOrnLabel* NamedLabel(const char* name, const QString& text, QWidget* parent) {
  auto* label = new TOrnLabel(text, parent);
  label->setObjectName(name);
  // Centred in its row like the edits beside it.
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

// Messages of the window are captions of hidden labels, translated like any
// other caption and read by name when the message is shown.
void HiddenLabel(const char* name, const QString& text, QWidget* parent) { NamedLabel(name, text, parent)->hide(); }

TOrnEdit* NamedEdit(const char* name, QWidget* parent) {
  auto* edit = new TOrnEdit(parent);
  edit->setObjectName(name);
  return edit;
}

QFrame* Panel(const char* name, QWidget* parent) {
  auto* frame = new QFrame(parent);
  frame->setObjectName(name);
  frame->setFrameShape(QFrame::StyledPanel);
  frame->setFrameShadow(QFrame::Raised);
  return frame;
}

// The program's icon: a yellow box of archives with a zip fastener, drawn
// once for every size a desktop asks for.
QIcon ArchivatorIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal u = size / 16.0;
    p.setPen(QPen(QColor(90, 70, 0), u));
    p.setBrush(QColor(255, 214, 64));
    p.drawRoundedRect(QRectF(1.5 * u, 2.5 * u, 13 * u, 11 * u), 1.5 * u, 1.5 * u);
    p.setPen(QPen(QColor(60, 60, 60), u));
    for (int i = 0; i < 5; ++i)
      p.drawLine(QPointF(7 * u, (3.5 + 2 * i) * u), QPointF((i % 2 ? 9 : 6) * u, (3.5 + 2 * i) * u));
    p.setBrush(QColor(30, 90, 170));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(6.5 * u, 10 * u, 3 * u, 3 * u));
    icon.addPixmap(pixmap);
  }
  return icon;
}

// A one-line label that shows as much of its text as fits and ends with
// "..."; the whole text is its tool tip and what a screen reader reads.
class ElidedLabel : public QLabel {
 public:
  explicit ElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.setPen(palette().color(isEnabled() ? QPalette::WindowText : QPalette::PlaceholderText));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
  }
};

QFrame* Separator(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

QToolButton* TMainForm::SpeedButton(const char* name, const QString& text, int icon, const QString& hint) {
  auto* button = new QToolButton(this);
  button->setObjectName(name);
  button->setText(text);
  if (icon >= 0) button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
  button->setToolButtonStyle(text.isEmpty() || icon < 0 ? (icon < 0 ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly)
                                                        : Qt::ToolButtonTextBesideIcon);
  button->setAutoRaise(true);
  button->setProperty("hint", hint);  // shown in the status bar
  return button;
}

void TMainForm::BuildMenus(QMenuBar* bar) {
  bar->setObjectName("Main");
  QMenu* file = bar->addMenu("&File");
  file->setObjectName("File1");
  new1_ = file->addAction("&New");
  open1_ = file->addAction("&Open");
  save1_ = file->addAction("&Save");
  saveAs1_ = file->addAction("Save &as");
  recentMenu_ = file->addMenu("&Recent jobs");
  recentMenu_->setObjectName("Recent1");
  file->addSeparator();
  exit1_ = file->addAction("E&xit");
  fileListMenu_ = bar->addMenu("File &list");
  fileListMenu_->setObjectName("Filelist1");
  addToFileList1_ = fileListMenu_->addAction("&Add to file list");
  refreshDB1_ = fileListMenu_->addAction("&Refresh DB");
  archiveMenu_ = bar->addMenu("&Archive");
  archiveMenu_->setObjectName("Archive1");
  add1_ = archiveMenu_->addAction("&Add");
  extract1_ = archiveMenu_->addAction("&Extract");
  extractAll1_ = archiveMenu_->addAction("Extract a&ll");
  archiveMenu_->addSeparator();
  unzip1_ = archiveMenu_->addAction("&Unzip");
  QMenu* help = bar->addMenu("&Help");
  help->setObjectName("Help1");
  help2_ = help->addAction("&Help");
  about2_ = help->addAction("&About");
  const std::pair<QAction*, const char*> names[] = {{new1_, "New1"},
                                                    {open1_, "Open1"},
                                                    {save1_, "Save1"},
                                                    {saveAs1_, "Saveas1"},
                                                    {exit1_, "Exit1"},
                                                    {addToFileList1_, "Addtofilelist1"},
                                                    {refreshDB1_, "RefreshDB1"},
                                                    {add1_, "Add1"},
                                                    {extract1_, "Extract1"},
                                                    {extractAll1_, "Extractall1"},
                                                    {unzip1_, "Unzip1"},
                                                    {help2_, "Help2"},
                                                    {about2_, "About2"}};
  for (auto [action, name] : names) action->setObjectName(name);
  new1_->setShortcut(QKeySequence::New);
  open1_->setShortcut(QKeySequence::Open);
  save1_->setShortcut(QKeySequence::Save);
  help2_->setShortcut(QKeySequence::HelpContents);
  exit1_->setShortcut(QKeySequence::Quit);
}

void TMainForm::BuildWindow() {
  setObjectName("MainForm");
  setWindowTitle("Ombrelant archivator");
  // The program's main window, not one of its dialogs.
  orn::SetAccessibleRole(this, QAccessible::Window);
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setAutoFillBackground(true);
  setWindowIcon(ArchivatorIcon());

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);
  auto* bar = new QMenuBar(this);
  BuildMenus(bar);
  root->setMenuBar(bar);
  root->addWidget(GradientCaption());

  // Header: version strip, job file, last archiving date.
  QFrame* header = Panel("Panel1", this);
  auto* headerRow = new QHBoxLayout(header);
  headerRow->setContentsMargins(0, 0, 8, 0);
  panel6_ = NamedLabel("Panel6", "Version 2.5", header);
  panel6_->setAutoFillBackground(true);
  panel6_->setAlignment(Qt::AlignCenter);
  panel6_->setStyleSheet("QLabel#Panel6 { background: #ffff80; color: black; padding: 4px 10px; font-weight: bold; }");
  rx_ = NamedLabel("RX", "", header);
  rx_->setStyleSheet("QLabel#RX { font-weight: bold; }");
  rx_->setMinimumWidth(200);
  auto* orndt = NamedLabel("orndt", QString::fromUtf8("Pēdējā arhivēšana:"), header);
  label1_ = NamedLabel("Label1", "", header);
  label1_->setMinimumWidth(70);
  headerRow->addWidget(panel6_);
  headerRow->addSpacing(8);
  headerRow->addWidget(rx_, 1);
  headerRow->addWidget(orndt);
  headerRow->addWidget(label1_);
  root->addWidget(header);

  // Tool bar of speed buttons.
  QFrame* tools = Panel("Panel2", this);
  auto* toolRow = new QHBoxLayout(tools);
  toolRow->setContentsMargins(4, 2, 4, 2);
  toolRow->setSpacing(2);
  sbNew_ = SpeedButton("SBNew", "New", QStyle::SP_FileIcon, "New job file");
  sbOpen_ = SpeedButton("SBOpen", "Open", QStyle::SP_DialogOpenButton, "Open a job file");
  sbSave_ = SpeedButton("SBSave", "Save", QStyle::SP_DialogSaveButton, "Save the job file");
  speedButton_[4] = SpeedButton("SpeedButton4", "Save as", QStyle::SP_DriveFDIcon, "Save the job file as");
  speedButton_[10] = SpeedButton("SpeedButton10", "Archive", QStyle::SP_ArrowDown, "Archive (aizarhivēt)");
  speedButton_[9] = SpeedButton("SpeedButton9", "Extract", QStyle::SP_ArrowUp, "Extract chosen files");
  speedButton_[8] = SpeedButton("SpeedButton8", "Extract all", QStyle::SP_BrowserReload, "Extract the whole archive");
  speedButton77_ = SpeedButton("SpeedButton77", "Unzip", QStyle::SP_DirOpenIcon, "Unzip any zip archive");
  speedButton732_ = SpeedButton("SpeedButton732", "?", -1, "Help");
  speedButton732_->setStyleSheet("QToolButton { font-weight: bold; min-width: 20px; }");
  cbLabelLang_ = new QComboBox(tools);
  cbLabelLang_->setObjectName("cbLabelLang");
  cbLabelLang_->setMinimumWidth(100);
  cbLabelLang_->setProperty("hint", "Language");
  for (QWidget* w : {sbNew_, sbOpen_, sbSave_, speedButton_[4]}) toolRow->addWidget(w);
  toolRow->addWidget(Separator(tools));
  for (QWidget* w : {speedButton_[10], speedButton_[9], speedButton_[8]}) toolRow->addWidget(w);
  toolRow->addWidget(Separator(tools));
  toolRow->addWidget(speedButton77_);
  toolRow->addStretch(1);
  toolRow->addWidget(cbLabelLang_);
  toolRow->addWidget(speedButton732_);
  root->addWidget(tools);

  // Body: the job's fields at the left, schemes and volumes at the right.
  auto* body = new QHBoxLayout;
  body->setContentsMargins(8, 8, 8, 4);
  body->setSpacing(8);
  auto* fields = new TOrnGroupBox(this);
  fields->SetCaption("Archive");
  fields->setObjectName("OrnGroupBox1");
  auto* grid = new QGridLayout(fields);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(4);
  edit1_ = NamedEdit("Edit1", fields);
  edit2_ = NamedEdit("Edit2", fields);
  edit6_ = NamedEdit("Edit6", fields);
  edit6_->setReadOnly(true);
  edit4_ = NamedEdit("Edit4", fields);
  edit5_ = NamedEdit("Edit5", fields);
  speedButton_[1] = SpeedButton("SpeedButton1", "", QStyle::SP_DirOpenIcon, "Select the archive directory");
  speedButton_[2] = SpeedButton("SpeedButton2", "", QStyle::SP_FileDialogContentsView, "Select the DB file");
  speedButton_[5] = SpeedButton("SpeedButton5", "Atzim", -1, "Mark the DB files to archive");
  speedButton_[6] = SpeedButton("SpeedButton6", "", QStyle::SP_DirOpenIcon, "Select the directory of one more copy");
  int row = 0;
  auto addRow = [&](const char* labelName, const QString& caption, QLineEdit* edit, QWidget* b1, QWidget* b2) {
    TOrnLabel* label = NamedLabel(labelName, caption, fields);
    // The label names its field for the keyboard and for screen readers.
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    if (b1) grid->addWidget(b1, row, 2);
    if (b2) grid->addWidget(b2, row, 3);
    ++row;
  };
  addRow("OrnLabel2", "Archive name (file name)", edit1_, nullptr, nullptr);
  addRow("OrnLabel3", "Archive path", edit2_, speedButton_[1], nullptr);
  addRow("OrnLabel4", "DB file", edit6_, speedButton_[2], speedButton_[5]);
  addRow("OrnLabel5", "Unical folder name", edit4_, nullptr, nullptr);
  addRow("OrnLabel6", "+ path (one more copy)", edit5_, speedButton_[6], nullptr);
  grid->setColumnStretch(1, 1);
  grid->setColumnMinimumWidth(1, 200);
  body->addWidget(fields, 1);

  auto* right = new QVBoxLayout;
  right->setSpacing(4);
  // The two panels that switch the pages are page tabs to a screen reader:
  // the checked one is the selected page.
  auto* tabRow = new QWidget(this);
  tabRow->setObjectName("PageTabs");
  orn::SetAccessibleRole(tabRow, QAccessible::PageTabList);
  auto* tabs = new QHBoxLayout(tabRow);
  tabs->setContentsMargins(0, 0, 0, 0);
  tabs->setSpacing(0);
  panel9_ = new QToolButton(tabRow);
  panel9_->setObjectName("Panel9");
  panel9_->setText("Rotation");
  panel8_ = new QToolButton(tabRow);
  panel8_->setObjectName("Panel8");
  panel8_->setText("Unical save");
  for (QToolButton* tab : {panel9_, panel8_}) {
    orn::SetAccessibleRole(tab, QAccessible::PageTab);
    tab->setCheckable(true);
    tab->setAutoExclusive(true);
    tab->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    tabs->addWidget(tab);
  }
  panel9_->setChecked(true);
  right->addWidget(tabRow);
  pageControl1_ = new QStackedWidget(this);
  pageControl1_->setObjectName("PageControl1");
  pageControl1_->setFrameShape(QFrame::StyledPanel);
  const char* rotationNames[] = {"nsv", "edw", "edm", "edy"};
  const char* rotationCaptions[] = {"Not saving", "Every day per week ", "Every day rep month", "Every day per jear"};
  const char* uniqueNames[] = {"nus", "WEK", "MON", "YEA"};
  const char* uniqueCaptions[] = {"Do not save", "Unical save ones a week", "Unical save ones a month",
                                  "Unical save ones a jear"};
  for (int page = 0; page < 2; ++page) {
    auto* sheet = new QWidget(pageControl1_);
    sheet->setObjectName(page == 0 ? "TabSheet1" : "TabSheet2");
    auto* col = new QVBoxLayout(sheet);
    col->setContentsMargins(8, 6, 8, 6);
    col->setSpacing(2);
    for (int i = 0; i < 4; ++i) {
      auto* radio = new QRadioButton(page == 0 ? rotationCaptions[i] : uniqueCaptions[i], sheet);
      radio->setObjectName(page == 0 ? rotationNames[i] : uniqueNames[i]);
      (page == 0 ? rotation_ : unique_)[i] = radio;
      col->addWidget(radio);
    }
    col->addStretch(1);
    pageControl1_->addWidget(sheet);
  }
  right->addWidget(pageControl1_);

  auto* volumeRow = new QHBoxLayout;
  checkBox1_ = new QCheckBox("Volumes", this);
  checkBox1_->setObjectName("CheckBox1");
  auto* volumeGroup = new TOrnGroupBox(this);
  volumeGroup->SetCaption("Volume");
  volumeGroup_ = volumeGroup;
  volumeGroup_->setObjectName("OrnGroupBox2");
  auto* volumeInner = new QHBoxLayout(volumeGroup_);
  volumeInner->setContentsMargins(6, 2, 6, 4);
  edit3_ = NamedEdit("Edit3", volumeGroup_);
  edit3_->setFixedWidth(70);
  edit3_->setContextMenuPolicy(Qt::CustomContextMenu);
  edit3_->setToolTip("Right click: volume sizes");
  volumeInner->addWidget(edit3_);
  volumeInner->addWidget(NamedLabel("OrnLabel7", "MB", volumeGroup_));
  volumeInner->addStretch(1);
  volumeRow->addWidget(checkBox1_);
  volumeRow->addWidget(volumeGroup_, 1);
  right->addLayout(volumeRow);
  checkBox2_ = new QCheckBox("Copy to floppies", this);
  checkBox2_->setObjectName("CheckBox2");
  right->addWidget(checkBox2_);
  body->addLayout(right);
  root->addLayout(body);

  flopMenu_ = new QMenu(this);
  flopMenu_->setObjectName("FlopMenu");
  int choiceCount = 0;
  const orn::VolumeChoice* choices = orn::VolumeChoices(&choiceCount);
  for (int i = 0; i < choiceCount; ++i) {
    QAction* action = flopMenu_->addAction(choices[i].caption);
    action->setObjectName(QString("FlopItem%1").arg(i + 1));
    connect(action, &QAction::triggered, this, [this, i] { FlopMenuChoice(i); });
  }

  // The job list.
  auto* listHeader = new QHBoxLayout;
  listHeader->setContentsMargins(8, 0, 8, 2);
  listHeader->addWidget(NamedLabel("OrnLabel9", "File list", this));
  listHeader->addStretch(1);
  speedButton_[3] = SpeedButton("SpeedButton3", "Add files", QStyle::SP_FileDialogNewFolder, "Add files to the list");
  listHeader->addWidget(speedButton_[3]);
  root->addLayout(listHeader);
  auto* jobList = new TOrnStringGrid(this);
  // A plain list: no heading rows or columns of the grid's own, row 0 is the
  // first file, the column captions sit in the header, rows select whole.
  jobList->SetFixedCols(0);
  jobList->SetFixedRows(0);
  jobList->setColumnCount(2);
  jobList->setRowCount(1);
  jobList->horizontalHeader()->show();
  jobList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_ = jobList;
  list_->setObjectName("List");
  list_->setHorizontalHeaderLabels({"File", "Path"});
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setColumnWidth(0, 180);
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->setFixedHeight(150);
  // Files and folders dropped from a file manager join the list.
  list_->setAcceptDrops(true);
  list_->viewport()->setAcceptDrops(true);
  list_->setDragDropMode(QAbstractItemView::DropOnly);
  list_->viewport()->installEventFilter(this);
  list_->setContextMenuPolicy(Qt::ActionsContextMenu);
  removeRows_ = new QAction("Remove from the list", list_);
  removeRows_->setObjectName("RemoveRows1");
  removeRows_->setShortcut(QKeySequence::Delete);
  removeRows_->setShortcutContext(Qt::WidgetShortcut);
  list_->addAction(removeRows_);
  auto* listBox = new QHBoxLayout;
  listBox->setContentsMargins(8, 0, 8, 8);
  listBox->addWidget(list_);
  root->addLayout(listBox);

  // Status bar: the last run's summary in a panel of its own, which a
  // passing hint does not replace; the hints beside it.
  QFrame* status = Panel("Panel11", this);
  status->setFrameShadow(QFrame::Sunken);
  orn::SetAccessibleRole(status, QAccessible::StatusBar);
  auto* statusRow = new QHBoxLayout(status);
  statusRow->setContentsMargins(6, 2, 2, 2);
  lblSummary_ = new ElidedLabel(status);
  lblSummary_->setObjectName("LblSummary");
  lblSummary_->setMinimumHeight(lblSummary_->fontMetrics().height() + 4);
  statusRow->addWidget(lblSummary_, 3);
  statusRow->addWidget(Separator(status));
  box_ = NamedLabel("Box", "", status);
  box_->setMinimumHeight(box_->fontMetrics().height() + 4);
  box_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  statusRow->addWidget(box_, 2);
  QFrame* corner = Panel("Panel12", status);
  corner->setFixedSize(18, 18);
  corner->setMouseTracking(true);
  statusRow->addWidget(corner);
  root->addWidget(status);

  labSav_ = NamedLabel("LabSav", QString::fromUtf8("Vai tu gribi saglabāt izmaiņas?"), this);
  ornLabel8_ = NamedLabel("OrnLabel8", "Select Directory", this);
  labSav_->hide();
  ornLabel8_->hide();
  // The run's messages keep their resource texts in one place, the message log.
  for (const std::string& name : orn::MessageTexts::LabelNames())
    HiddenLabel(name.c_str(), QString::fromStdString(orn::MessageTexts::DefaultText(name)), this);
  const std::pair<const char*, const char*> hidden[] = {
      {"LabAdd", "Add the chosen files to the existing list?"},
      {"btn_AddToList", "Add to the list"},
      {"btn_ReplaceList", "Replace the list"},
      {"lblOldSPR", "This is old version of SPR file. You can archive your files by using \"Add to list\""}};
  for (auto [name, text] : hidden) HiddenLabel(name, QString::fromUtf8(text), this);

  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(3000);
  timer1_->setSingleShot(true);
}
