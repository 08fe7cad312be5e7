#include "Calculat.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>
#include <memory>

#include "Evaluator.h"
#include "GradCaption.h"
#include "OrnAccessible.h"
#include "OrnBitBtn.h"
#include "OrnLabel.h"

namespace {

TFormCalcul* currentCalculator = nullptr;
int beepCount = 0;

// The buttons that a key of the keyboard table stands for.
struct KeyButton {
  char key;
  const char* button;
};
constexpr KeyButton kCharKeys[] = {
    {'0', "Btn0"},   {'1', "Btn1"},   {'2', "Btn2"},    {'3', "Btn3"},     {'4', "Btn4"},
    {'5', "Btn5"},   {'6', "Btn6"},   {'7', "Btn7"},    {'8', "Btn8"},     {'9', "Btn9"},
    {',', "BtnZpt"}, {'.', "BtnZpt"}, {'+', "BtnPlus"}, {'-', "BtnMinus"}, {'*', "BtnMult"},
    {'/', "BtnD"},   {'=', "BtnEql"}, {'%', "BtnProc"}, {'c', "BtnMC"},    {'m', "BtnMPlus"},
    {'r', "BtnMR"},  {'s', "BtnMS"},  {'q', "BtnSqrt"}, {'x', "BtnObr"},   {'z', "BtnZn"},
};

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TFormCalcul::TFormCalcul(QWidget* parent) : TOrnForm(parent) {
  currentCalculator = this;
  setObjectName("FormCalcul");
  setWindowTitle("Kalkulators");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  machine_.beep = [] { Beep(); };

  auto* bar = new QMenuBar(this);
  bar->setObjectName("MainMenu1");
  QMenu* file = bar->addMenu("&Fails");
  file->setObjectName("Fails1");
  parnestlauk_ = file->addAction("Pārnest laukumā       Ins");
  parnestlauk_->setObjectName("Parnestlauk");
  QAction* iziet = file->addAction("Iziet                        Alt-F4");
  iziet->setObjectName("Iziet1");
  QMenu* edit = bar->addMenu("&Rediģēt");
  edit->setObjectName("Rediet1");
  QAction* copy = edit->addAction("Kopēt     Ctrl-C");
  copy->setObjectName("KoptCtrlC1");
  QAction* paste = edit->addAction("Ielikt       Ctrl-V");
  paste->setObjectName("IeliktCtrlV1");
  QMenu* help = bar->addMenu("Palīdzība");
  help->setObjectName("Palidziba1");
  // Neither help item has an action in this program: they are shown
  // disabled rather than doing nothing when chosen.
  for (auto [text, name] : {std::pair{"Palīdzība", "Palidziba2"}, std::pair{"Par kalkulātoru", "Parkalkulatoru1"}}) {
    QAction* item = help->addAction(text);
    item->setObjectName(name);
    item->setEnabled(false);
  }

  lblDisp_ = new QLabel(" 0.", this);
  lblDisp_->setObjectName("LblDisp");
  lblDisp_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblDisp_->setFrameShape(QFrame::Panel);
  lblDisp_->setFrameShadow(QFrame::Sunken);
  lblDisp_->setAutoFillBackground(true);
  lblDisp_->setBackgroundRole(QPalette::Base);
  QFont displayFont("DejaVu Sans Mono");
  displayFont.setStyleHint(QFont::Monospace);
  displayFont.setPixelSize(18);
  lblDisp_->setFont(displayFont);
  lblDisp_->setMinimumWidth(QFontMetrics(displayFont).horizontalAdvance(QString(17, QLatin1Char('0'))));
  lblDisp_->setAccessibleName("Displejs");
  // The result is read as text that changes with each key, not as a label.
  orn::SetReadOnlyText(lblDisp_);
  lblB_ = new QLabel(" 0.", this);
  lblB_->setObjectName("LblB");
  lblB_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblB_->setAccessibleName("Iepriekšējais skaitlis");
  orn::SetReadOnlyText(lblB_);
  imgZn_ = new QLabel(this);
  imgZn_->setObjectName("ImgZn");
  imgZn_->setFixedSize(24, 20);
  imgZn_->setAlignment(Qt::AlignCenter);
  imgZn_->setFrameShape(QFrame::Panel);
  imgZn_->setFrameShadow(QFrame::Sunken);
  imgZn_->setAccessibleName("Darbība");
  orn::SetReadOnlyText(imgZn_);

  memGroup_ = new QGroupBox("Atmiņa", this);
  memGroup_->setObjectName("GroupBox1");
  lblMem_ = new QLabel(" 0.", memGroup_);
  lblMem_->setObjectName("LblMem");
  lblMem_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblMem_->setAccessibleName("Atmiņa");
  orn::SetReadOnlyText(lblMem_);
  lblMemText_ = new TOrnLabel(this);
  lblMemText_->setObjectName("LblMemText");
  lblMemText_->SetCaption("Atmiņa");
  lblMemText_->hide();

  editClipboard_ = new QLineEdit(this);
  editClipboard_->setObjectName("EditClipboard");
  editClipboard_->setAccessibleName("Starpliktuve");
  editClipboard_->hide();

  Key("BtnEmpty", QString())->hide();
  for (char d = '0'; d <= '9'; ++d) {
    const std::string name = std::string("Btn") + d;
    TOrnBitBtn* b = Key(name.c_str(), QString(QLatin1Char(d)));
    connect(b, &QPushButton::clicked, this, [this, d] { DigitClick(d); });
  }
  const std::pair<const char*, void (TFormCalcul::*)()> actions[] = {
      {"BtnZpt", &TFormCalcul::BtnZptClick},     {"BtnZn", &TFormCalcul::BtnZnClick},
      {"BtnD", &TFormCalcul::BtnDClick},         {"BtnMult", &TFormCalcul::BtnMultClick},
      {"BtnMinus", &TFormCalcul::BtnMinusClick}, {"BtnPlus", &TFormCalcul::BtnPlusClick},
      {"BtnEql", &TFormCalcul::BtnEqlClick},     {"BtnProc", &TFormCalcul::BtnProcClick},
      {"BtnObr", &TFormCalcul::BtnObrClick},     {"BtnSqrt", &TFormCalcul::BtnSqrtClick},
      {"BtnBack", &TFormCalcul::BtnBackClick},   {"BtnCE", &TFormCalcul::BtnCEClick},
      {"BtnC", &TFormCalcul::BtnCClick},         {"BtnMC", &TFormCalcul::BtnMCClick},
      {"BtnMR", &TFormCalcul::BtnMRClick},       {"BtnMS", &TFormCalcul::BtnMSClick},
      {"BtnMPlus", &TFormCalcul::BtnMPlusClick}};
  const std::map<std::string, std::pair<QString, QString>> looks = {{"BtnZpt", {".", "Decimālpunkts"}},
                                                                    {"BtnZn", {"+/-", "Mainīt zīmi [Z]"}},
                                                                    {"BtnD", {"/", "Dalīt"}},
                                                                    {"BtnMult", {"*", "Reizināt"}},
                                                                    {"BtnMinus", {"-", "Atņemt"}},
                                                                    {"BtnPlus", {"+", "Saskaitīt"}},
                                                                    {"BtnEql", {"=", "Vienāds"}},
                                                                    {"BtnProc", {"%", "Procenti"}},
                                                                    {"BtnObr", {"1/x", "Apgrieztais skaitlis [X]"}},
                                                                    {"BtnSqrt", {"sqrt", "Kvadrātsakne [Q]"}},
                                                                    {"BtnBack", {"Back", "Izdzēst simbolu"}},
                                                                    {"BtnCE", {"CE", "Izdzēst skaitli [Del]"}},
                                                                    {"BtnC", {"C", "Izdzēst darbību [Esc]"}},
                                                                    {"BtnMC", {"MC", "Attīrīt atmiņu [C]"}},
                                                                    {"BtnMR", {"MR", "Lasīt atmiņu [R]"}},
                                                                    {"BtnMS", {"MS", "Ievietot atmiņā [S]"}},
                                                                    {"BtnMPlus", {"M+", "Pielikt atmiņai [M]"}}};
  for (auto [name, handler] : actions) {
    const auto& look = looks.at(name);
    TOrnBitBtn* b = Key(name, look.first, look.second);
    connect(b, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
  }
  buttons_["BtnC"]->setDefault(true);
  for (const char* wide : {"BtnBack", "BtnCE", "BtnC"}) buttons_[wide]->setFixedWidth(60);

  btnCopy_ = new TOrnBitBtn(this);
  btnCopy_->setObjectName("BtnCopy");
  btnCopy_->SetCaption("->");
  btnCopy_->setToolTip("Pārvietot rezultātu formā [Ins]");
  btnCopy_->setAccessibleName("Pārvietot rezultātu formā");
  btnCopy_->setFixedSize(40, 26);
  btnCopy_->setAutoDefault(false);
  connect(btnCopy_, &QPushButton::clicked, this, &TFormCalcul::ParnestlaukClick);
  connect(parnestlauk_, &QAction::triggered, this, &TFormCalcul::ParnestlaukClick);
  connect(iziet, &QAction::triggered, this, &TFormCalcul::Iziet1Click);
  connect(copy, &QAction::triggered, this, &TFormCalcul::KoptCtrlC1Click);
  connect(paste, &QAction::triggered, this, &TFormCalcul::IeliktCtrlV1Click);

  // Layout: display, operand line, then the memory group beside the keys.
  auto* memLayout = new QGridLayout(memGroup_);
  memLayout->addWidget(lblMem_, 0, 0, 1, 2);
  memLayout->addWidget(buttons_["BtnMC"], 1, 0);
  memLayout->addWidget(buttons_["BtnMR"], 1, 1);
  memLayout->addWidget(buttons_["BtnMS"], 2, 0);
  memLayout->addWidget(buttons_["BtnMPlus"], 2, 1);
  memLayout->setRowStretch(3, 1);

  auto* keys = new QGridLayout;
  keys->setSpacing(4);
  const char* grid[4][5] = {{"Btn7", "Btn8", "Btn9", "BtnD", "BtnSqrt"},
                            {"Btn4", "Btn5", "Btn6", "BtnMult", "BtnProc"},
                            {"Btn1", "Btn2", "Btn3", "BtnMinus", "BtnObr"},
                            {"Btn0", "BtnZn", "BtnZpt", "BtnPlus", "BtnEql"}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 5; ++c) keys->addWidget(buttons_[grid[r][c]], r + 1, c);
  auto* clears = new QHBoxLayout;
  clears->addStretch();
  clears->addWidget(buttons_["BtnBack"]);
  clears->addWidget(buttons_["BtnCE"]);
  clears->addWidget(buttons_["BtnC"]);
  keys->addLayout(clears, 0, 0, 1, 5);

  auto* operandLine = new QHBoxLayout;
  operandLine->addWidget(imgZn_);
  operandLine->addWidget(lblB_, 1);
  operandLine->addWidget(btnCopy_);
  auto* lower = new QHBoxLayout;
  lower->addWidget(memGroup_);
  lower->addLayout(keys);
  auto* root = new QVBoxLayout(this);
  root->setMenuBar(bar);
  root->addWidget(lblDisp_);
  root->addLayout(operandLine);
  root->addLayout(lower);

  FormCreate();
}

TFormCalcul::~TFormCalcul() {
  if (currentCalculator == this) currentCalculator = nullptr;
}

TFormCalcul* TFormCalcul::Current() { return currentCalculator; }

void TFormCalcul::Beep() {
  ++beepCount;
  QApplication::beep();
}

int TFormCalcul::BeepCount() { return beepCount; }

TOrnBitBtn* TFormCalcul::Key(const char* name, const QString& caption, const QString& hint) {
  auto* b = new TOrnBitBtn(this);
  b->setObjectName(name);
  b->SetCaption(caption);
  if (!hint.isEmpty()) b->setToolTip(hint);
  b->setFixedSize(40, 26);
  // Enter is the calculator's "=", never a press of the focused button.
  b->setAutoDefault(false);
  buttons_[name] = b;
  return b;
}

void TFormCalcul::FormCreate() {
  TOrnForm::FormCreate();
  // A small dialog: the window title is caption enough; Enter is "=".
  GradientCaption()->SetActive(false);
  SetEnterToTab(false);
  memGroup_->setTitle(lblMemText_->text());
  machine_ = orn::CalculatorMachine{};
  machine_.beep = [] { Beep(); };
  buttons_["BtnProc"]->setEnabled(true);
  ShowState();
  adjustSize();
  setFixedSize(sizeHint());
  buttons_["BtnEql"]->setFocus();
}

void TFormCalcul::SetStart(const QString& display, bool startGiven, bool transferAllowed) {
  machine_.Start(display.toStdString(), startGiven);
  transferAllowed_ = transferAllowed;
  FormShow();
}

void TFormCalcul::FormShow() {
  btnCopy_->setEnabled(transferAllowed_);
  parnestlauk_->setEnabled(transferAllowed_);
  ShowState();
}

void TFormCalcul::ShowState() {
  const QString shown = lblDisp_->text();
  lblDisp_->setText(Q(machine_.Display()));
  orn::AnnounceTextChange(lblDisp_, shown, lblDisp_->text());
  lblB_->setText(Q(machine_.LeftOperand()));
  lblMem_->setText(Q(machine_.Memory()));
  // The indicator repeats the pending operator's button; empty like BtnEmpty.
  const std::string& op = machine_.Indicator();
  const char* button = op == "/"   ? "BtnD"
                       : op == "*" ? "BtnMult"
                       : op == "-" ? "BtnMinus"
                       : op == "+" ? "BtnPlus"
                                   : "BtnEmpty";
  imgZn_->setText(buttons_[button]->text());
  buttons_["BtnObr"]->setEnabled(machine_.ReciprocalEnabled());
  buttons_["BtnSqrt"]->setEnabled(machine_.SquareRootEnabled());
}

void TFormCalcul::FocusButton(const char* name) {
  if (TOrnBitBtn* b = buttons_.count(name) ? buttons_[name] : nullptr; b && b->isEnabled()) b->setFocus();
}

void TFormCalcul::DigitClick(char digit) {
  machine_.AppendCalculatorDigit(digit);
  if (machine_.StartGiven() && btnCopy_->isEnabled())
    btnCopy_->setFocus();
  else
    FocusButton("BtnEql");
  ShowState();
}

void TFormCalcul::OperatorClick(const std::string& op) {
  machine_.ApplyCalculatorOperator(op);
  FocusButton("BtnEql");
  ShowState();
}

void TFormCalcul::BtnZptClick() {
  machine_.DecimalPoint();
  ShowState();
}
void TFormCalcul::BtnZnClick() {
  machine_.ChangeSign();
  ShowState();
}
void TFormCalcul::BtnProcClick() {
  machine_.Percent();
  ShowState();
}
void TFormCalcul::BtnObrClick() {
  machine_.Reciprocal();
  ShowState();
}
void TFormCalcul::BtnSqrtClick() {
  machine_.SquareRoot();
  ShowState();
}
void TFormCalcul::BtnBackClick() {
  machine_.Backspace();
  ShowState();
}
void TFormCalcul::BtnCEClick() {
  machine_.ClearEntry();
  ShowState();
}
void TFormCalcul::BtnCClick() {
  machine_.Clear();
  ShowState();
}
void TFormCalcul::BtnMCClick() {
  machine_.MemoryClear();
  ShowState();
}
void TFormCalcul::BtnMRClick() {
  machine_.MemoryRecall();
  ShowState();
}
void TFormCalcul::BtnMSClick() {
  machine_.MemoryStore();
  ShowState();
}
void TFormCalcul::BtnMPlusClick() {
  machine_.MemoryAdd();
  ShowState();
}

void TFormCalcul::ParnestlaukClick() {
  if (!transferAllowed_) return Beep();
  accept();
}

void TFormCalcul::Iziet1Click() { reject(); }

void TFormCalcul::KoptCtrlC1Click() {
  editClipboard_->setText(Q(machine_.Display()));
  editClipboard_->selectAll();
  editClipboard_->copy();
}

void TFormCalcul::IeliktCtrlV1Click() {
  editClipboard_->clear();
  editClipboard_->paste();
  machine_.Paste(editClipboard_->text().toStdString());
  ShowState();
}

bool TFormCalcul::FormKeyDown(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (mods == Qt::ControlModifier) {
    if (event->key() == Qt::Key_C)
      KoptCtrlC1Click();
    else if (event->key() == Qt::Key_V)
      IeliktCtrlV1Click();
    else
      return false;
    return true;
  }
  if (mods & ~Qt::ShiftModifier) return false;
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (machine_.StartGiven()) {
        accept();
      } else {
        FocusButton("BtnEql");
        BtnEqlClick();
      }
      return true;
    case Qt::Key_Escape:
      FocusButton("BtnC");
      BtnCClick();
      return true;
    case Qt::Key_Insert:
      if (!btnCopy_->isEnabled()) {
        Beep();
        return true;
      }
      btnCopy_->setFocus();
      ParnestlaukClick();
      return true;
    case Qt::Key_Delete:
      FocusButton("BtnCE");
      BtnCEClick();
      return true;
    case Qt::Key_Backspace:
      FocusButton("BtnBack");
      BtnBackClick();
      return true;
    default:
      break;
  }
  const QString text = event->text();
  if (text.size() != 1) return false;
  const char c = static_cast<char>(text.at(0).toLower().toLatin1());
  for (const KeyButton& k : kCharKeys) {
    if (k.key != c) continue;
    FocusButton(k.button);
    TOrnBitBtn* b = buttons_[k.button];
    // A disabled key is refused as its button would be.
    if (!b->isEnabled()) {
      Beep();
      return true;
    }
    b->click();
    return true;
  }
  return false;
}

bool TFormCalcul::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    QWidget* focus = QApplication::focusWidget();
    if (widget->window() == this && (widget == focus || (!focus && widget == this)) &&
        FormKeyDown(static_cast<QKeyEvent*>(event)))
      return true;
  }
  return TOrnForm::eventFilter(watched, event);
}

void OpenCalculator(TOrnForm& form, const QString& startText) {
  if (TFormCalcul::Current()) return TFormCalcul::Beep();
  const bool startGiven = startText != QLatin1String("nil");
  QWidget* active = form.focusWidget();
  QPointer<QLineEdit> edit = qobject_cast<QLineEdit*>(active);
  QPointer<QAbstractItemView> view = qobject_cast<QAbstractItemView*>(active);
  QPersistentModelIndex cell;
  QString display = orn::kCalcZero;
  bool transfer = true;
  if (view && view->currentIndex().isValid()) {
    cell = view->currentIndex();
    display = cell.data(Qt::EditRole).toString();
    transfer = (cell.flags() & Qt::ItemIsEditable) && view->editTriggers() != QAbstractItemView::NoEditTriggers;
  } else if (edit) {
    display = edit->text();
    transfer = !edit->isReadOnly() && edit->isEnabled();
  } else {
    view = nullptr;
    transfer = false;
    if (startGiven) display = startText;
  }
  if (transfer) display.replace(QLatin1Char(orn::DecimalSeparator()), QLatin1Char('.'));

  QPointer<TFormCalcul> calc = new TFormCalcul(&form);
  std::unique_ptr<TFormCalcul> owned(calc.data());
  calc->SetStart(display, startGiven, transfer);
  const int result = calc->exec();
  if (!calc) {
    // Gone with its owner while it was open.
    (void)owned.release();
    return;
  }
  if (result != QDialog::Accepted || !calc->TransferAllowed()) return;
  QString text = QString::fromStdString(calc->Machine().Result());
  text.replace(QLatin1Char('.'), QLatin1Char(orn::DecimalSeparator()));
  if (view && cell.isValid()) {
    view->model()->setData(cell, text, Qt::EditRole);
  } else if (edit && !edit->isReadOnly()) {
    edit->setText(text);
  }
}

namespace orn {
void InstallCalculator() {
  TOrnForm::CalculatorHook() = [](TOrnForm& form) { OpenCalculator(form, QStringLiteral("nil")); };
}
}  // namespace orn
