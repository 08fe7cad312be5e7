#include "DataPage.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "DataSet.h"
#include "FileSystem.h"
#include "OrnComboBoxes.h"
#include "OrnDBEdit.h"
#include "OrnDBGrid.h"
#include "OrnEdits.h"
#include "OrnLabel.h"
#include "OrnListBox.h"
#include "OrnLookList.h"
#include "OrnTabs.h"
#include "ProgramFolders.h"
#include "SourceList.h"

namespace gallery {

namespace {

// Keeps the working copy of the example for as long as the page lives.
class WorkingCopy : public QObject {
 public:
  explicit WorkingCopy(QObject* parent) : QObject(parent) {}
  QTemporaryDir dir;
};

bool CopyFolder(const QString& from, const QString& to) {
  for (const QFileInfo& f : QDir(from).entryInfoList(QDir::Files)) {
    std::string error;
    if (!orn::CopyFileAtomically(f.absoluteFilePath().toStdString(), (to + '/' + f.fileName()).toStdString(), &error))
      return false;
  }
  return true;
}

void WriteList(const QString& path, const QStringList& items) {
  QString failed;
  if (!QFileInfo::exists(path)) orn::ListFile::Save(path, items, &failed);
}

QWidget* Box(QGridLayout* grid, int row, int column, const QString& title, QLayout** layout) {
  auto* box = new TOrnGroupBox;
  box->SetCaption(title);
  auto* inner = new QVBoxLayout(box);
  *layout = inner;
  grid->addWidget(box, row, column);
  return box;
}

TOrnLabel* Caption(const QString& text, QWidget* buddy) {
  auto* label = new TOrnLabel(text);
  label->setBuddy(buddy);
  buddy->setAccessibleName(text);
  return label;
}

QWidget* Problem(const QString& text) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* label = new TOrnLabel(text);
  label->setWordWrap(true);
  layout->addWidget(label);
  layout->addStretch();
  return page;
}

}  // namespace

QString FindExampleData() {
  const QString exe = QCoreApplication::applicationDirPath();
  const QStringList candidates = {exe + QStringLiteral("/examples/data"),
                                  QString::fromStdString(orn::ProgramDataDir()) + QStringLiteral("examples/data"),
                                  exe + QStringLiteral("/../examples/data"),
                                  QStringLiteral(ORN_SOURCE_DIR "/examples/data")};
  for (const QString& c : candidates)
    if (QFileInfo::exists(c + QStringLiteral("/DOKUM.DB"))) return QDir(c).absolutePath();
  return QString();
}

QWidget* MakeDataPage(const QString& exampleData) {
  if (exampleData.isEmpty())
    return Problem(
        QStringLiteral("The example tables were not found beside the program, in its share folder or in "
                       "the source tree. Start the gallery with --data FOLDER."));
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("DataPage"));
  auto* copy = new WorkingCopy(page);
  const QString folder = copy->dir.path();
  if (!copy->dir.isValid() || !CopyFolder(exampleData, folder)) {
    delete page;
    return Problem(
        QStringLiteral("The example tables of %1 could not be copied to a working folder.").arg(exampleData));
  }
  // The list files live beside the working tables.
  orn::SetProgramFolder(folder);
  WriteList(folder + QStringLiteral("/VALUTAS.MNU"),
            {"EUR", "USD", "GBP", "SEK", "NOK", "PLN", "CHF", "DKK", "CZK", "JPY", "UAH", "LTL", "LVL", "EEK"});
  WriteList(folder + QStringLiteral("/VEIDI.MNU"),
            {"RĒĶINS", "PAVADZĪME", "KASES IEN", "KASES IZD", "MAKSĀJUMS", "AKTS", "LĪGUMS"});

  auto* dokum = new TTable(page);
  dokum->setObjectName(QStringLiteral("DOKUM"));
  dokum->SetDatabaseName(folder);
  dokum->SetTableName(QStringLiteral("DOKUM.DB"));
  auto* partneri = new TTable(page);
  partneri->setObjectName(QStringLiteral("PARTNERI"));
  partneri->SetDatabaseName(folder);
  partneri->SetTableName(QStringLiteral("PARTNERI.DB"));
  try {
    dokum->Open();
    partneri->Open();
  } catch (const std::exception& e) {
    delete page;
    return Problem(QStringLiteral("The example tables of %1 cannot be opened (working copy: %2).")
                       .arg(exampleData, QString::fromStdString(e.what())));
  }
  auto* dokumSource = new TDataSource(page);
  dokumSource->SetDataSet(dokum);
  auto* partneriSource = new TDataSource(page);
  partneriSource->SetDataSet(partneri);

  auto* grid = new QGridLayout(page);
  auto* intro =
      new TOrnLabel(QStringLiteral("Example tables of %1, used in a working copy in %2").arg(exampleData, folder));
  intro->setObjectName(QStringLiteral("LabWorkingCopy"));
  grid->addWidget(intro, 0, 0, 1, 2);

  QLayout* layout = nullptr;
  Box(grid, 1, 0, QStringLiteral("Documents (DOKUM.DB): pick one"), &layout);
  auto* documents = new TOrnCustomDBGrid;
  documents->setObjectName(QStringLiteral("GridDokum"));
  documents->SetGridSource(dokumSource);
  documents->SetColumns({"Nr", "Datums", "Veids", "Partneris", "Summa", "Apraksts"});
  documents->setAccessibleName(QStringLiteral("Documents"));
  documents->setMinimumHeight(150);
  documents->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(documents);

  Box(grid, 1, 1, QStringLiteral("TOrnListBox (VALUTAS.MNU, right-click: Labot)"), &layout);
  auto* listBox = new TOrnListBox;
  listBox->setObjectName(QStringLiteral("LBValutas"));
  listBox->SetAllowEditing(true);
  listBox->SetSourceFile(QStringLiteral("VALUTAS"));
  listBox->setAccessibleName(QStringLiteral("Currencies"));
  layout->addWidget(listBox);

  Box(grid, 2, 0, QStringLiteral("TOrnComboBox: list file VALUTAS.MNU, type-ahead"), &layout);
  auto* combo = new TOrnComboBox;
  combo->setObjectName(QStringLiteral("CBValuta"));
  combo->SetShowHinting(true);
  combo->SetDropDownCount(10);
  combo->SetSourceFile(QStringLiteral("VALUTAS"));
  combo->Loaded();
  layout->addWidget(Caption(QStringLiteral("Currency (right-click: Add / Edit)"), combo));
  layout->addWidget(combo);

  Box(grid, 2, 1, QStringLiteral("TOrnDBNComboBox: DOKUM.Veids, filter"), &layout);
  auto* kind = new TOrnDBNComboBox;
  kind->setObjectName(QStringLiteral("CBVeids"));
  kind->SetDataSource(dokumSource);
  kind->SetDataField(QStringLiteral("Veids"));
  kind->SetSourceFile(QStringLiteral("VEIDI"));
  kind->SetFilter(QStringLiteral("LEFT(%S, 5) # \"KASES\""));
  kind->Loaded();
  layout->addWidget(Caption(QStringLiteral("Document kind (without cash orders)"), kind));
  layout->addWidget(kind);

  Box(grid, 3, 0, QStringLiteral("TOrnLookList: partner of the document, type a code"), &layout);
  auto* look = new TOrnLookList;
  look->setObjectName(QStringLiteral("LLPartneri"));
  look->SetLookupSource(partneriSource);
  look->SetLookupDisplay(QStringLiteral("Kods;Nosaukums"));
  look->SetLookupField(QStringLiteral("Kods"));
  look->SetLookDispLabel(QStringLiteral("Kods;Partneris"));
  look->SetOptions(OrnData::lloTitles | OrnData::lloColLines | OrnData::lloRowLines);
  look->SetDataSource(dokumSource);
  look->SetDataField(QStringLiteral("Partneris"));
  look->setMinimumHeight(130);
  look->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(Caption(QStringLiteral("Partner (Enter or a click writes it to the document)"), look));
  layout->addWidget(look);
  layout->addItem(new QSpacerItem(10, 30));

  Box(grid, 3, 1, QStringLiteral("TOrnDBEdit: range and growth"), &layout);
  auto* sum = new TOrnDBEdit;
  sum->setObjectName(QStringLiteral("EdSumma"));
  sum->SetDataSource(dokumSource);
  sum->SetDataField(QStringLiteral("Summa"));
  sum->SetMin(-5000);
  sum->SetMax(5000);
  sum->SetTxt(QStringLiteral("The sum must be between -5000 and 5000"));
  sum->SetCapt(QStringLiteral("Sum"));
  layout->addWidget(Caption(QStringLiteral("Sum (-5000 to 5000)"), sum));
  layout->addWidget(sum);
  auto* text = new TOrnDBEdit;
  text->setObjectName(QStringLiteral("EdApraksts"));
  text->SetDataSource(dokumSource);
  text->SetDataField(QStringLiteral("Apraksts"));
  text->setMaximumWidth(140);
  text->SetMaxWidth(260);
  layout->addWidget(Caption(QStringLiteral("Description (grows while typing)"), text));
  layout->addWidget(text);
  static_cast<QVBoxLayout*>(layout)->addStretch();

  dokum->First();
  partneri->First();
  return page;
}

void DropComboList(QWidget* page) {
  if (auto* combo = page->window()->findChild<TOrnComboBox*>(QStringLiteral("CBValuta"))) {
    combo->setFocus();
    combo->setText(QStringLiteral("EUR"));
    combo->SetItemIndex(0);
    combo->DropDown();
  }
}

void OpenComboEditor(QWidget* page) {
  if (auto* combo = page->window()->findChild<TOrnComboBox*>(QStringLiteral("CBValuta"))) combo->Edit();
}

void OpenListBoxEditor(QWidget* page) {
  if (auto* list = page->window()->findChild<TOrnListBox*>(QStringLiteral("LBValutas"))) list->EditList();
}

void LeaveSumOutOfRange(QWidget* page) {
  if (auto* sum = page->window()->findChild<TOrnDBEdit*>(QStringLiteral("EdSumma"))) {
    sum->setText(QStringLiteral("99999"));
    sum->Leave();
  }
}

void ShowLookupSearch(QWidget* page, const QString& typed) {
  auto* look = page->window()->findChild<TOrnLookList*>(QStringLiteral("LLPartneri"));
  if (!look) return;
  look->setFocus();
  look->SetSearchColumn(0);
  for (QChar c : typed) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(look, &press);
  }
}

}  // namespace gallery
