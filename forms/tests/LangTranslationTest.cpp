// Run-time translation as a translator and a user meet it: a window follows
// the dictionary in every kind of component, keeps what has no translation,
// and Ctrl+Shift's collection adds only what is missing without breaking
// the entries that are there.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "FrameworkState.h"
#include "GradCaption.h"
#include "LangSettings.h"
#include "LangTestUtil.h"
#include "OrnCheckBox.h"
#include "OrnForma.h"
#include "OrnLabel.h"
#include "OrnRadioGroup.h"
#include "OrnTabs.h"
#include "TextLookups.h"

using langtest::Line;
using langtest::Lv;
using langtest::Ru;

namespace {

void Entry(std::vector<Line>& lines, const std::string& key, const std::string& lv, const std::string& ru) {
  lines.insert(lines.end(), {{"* " + key}, Lv(lv), Ru(ru), {""}});
}

template <typename T>
T* Named(const char* name, QObject* parent) {
  auto* object = new T(static_cast<QWidget*>(parent));
  object->setObjectName(name);
  return object;
}

QAction* NamedAction(QMenu* menu, const char* name, const char* text) {
  QAction* action = menu->addAction(text);
  action->setObjectName(name);
  return action;
}

}  // namespace

class LangTranslationTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // Without a language in Params.ini the windows speak the locale's; these
    // windows are looked at in Latvian, the program's first language.
    qputenv("LC_ALL", "lv_LV.UTF-8");
  }

  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QDir::setCurrent(dir_->path());
  }

  // Lookups over the window's dictionary: aliases, letter case, an index past
  // the entry, and blank or space-led translations.
  void lookupsFollowTheIndexes() {
    std::vector<Line> lines = langtest::BuiltIns();
    lines.insert(lines.end(), {{"* Form1"}, {"* Caption2"}, Lv("Pirmā"), Ru("Вторая"), {""}});
    lines.insert(lines.end(), {{"* Spaces"}, {"   "}, {"  Lead"}, {""}});
    lines.insert(lines.end(), {{"* Unclosed"}, {"One"}, {"Two"}, {"* Next"}, {"Three"}});
    TOrnForm form;
    form.setObjectName("Other");
    form.SetLanguageIni(QString::fromStdString(langtest::WriteDictionary(dir_->path(), lines)));
    form.FormCreate();
    orn::FrameworkValues& v = orn::Framework().values;

    QCOMPARE(orn::LabelText("FORM1"), std::string("Pirmā"));
    v.language = 2;
    QCOMPARE(orn::LabelText("caption2"), std::string("Вторая"));
    QCOMPARE(orn::LabelText("Form1"), std::string("Вторая"));
    v.language = 3;  // the entry's closing line
    QCOMPARE(orn::LabelText("Form1"), std::string());
    QCOMPARE(orn::LabelText("Unclosed"), std::string());  // not the next entry's key line
    v.editLanguage = 2;
    QCOMPARE(orn::EditText("Spaces"), std::string("  Lead"));
    QCOMPARE(orn::SystemText("Spaces"), std::string("   "));
    QCOMPARE(orn::HelpText("Missing"), std::string());
  }

  void changeLanguageTranslatesEveryKind() {
    std::vector<Line> lines = langtest::BuiltIns();
    Entry(lines, "Form1", "Logs", "Окно");
    Entry(lines, "Label1", "Uzraksts", "Надпись");
    Entry(lines, "GroupBox1", "Grupa", "Группа");
    Entry(lines, "CheckBox1", "Sējumi", "Тома");
    lines.insert(lines.end(), {{"* RadioButton1"}, {"   "}, Ru("Кнопка"), {""}});
    lines.insert(lines.end(), {{"* Button1"}, {"  Labi"}, Ru("  Хорошо"), {""}});
    Entry(lines, "Hint_SpeedButton1", "Atvērt failu", "Открыть файл");
    Entry(lines, "OrnLabel1", "Arhīvs", "Архив");
    Entry(lines, "RadioGroup1", "Shēma", "Схема");
    Entry(lines, "RadioGroup1_1", "Katru nedēļu", "Каждую неделю");
    Entry(lines, "TabSheet2", "Unikālā", "Уникальное");
    for (int i = 0; i < 5; ++i) Entry(lines, "ListBox1_" + std::to_string(i), "Vienums", "Элемент");
    Entry(lines, "FAIL", "Fails", "Файл");
    Entry(lines, "Grid1_1", "Ceļš", "Путь");
    Entry(lines, "File1", "Fails", "Файл");
    Entry(lines, "Sub1", "Vairāk", "Ещё");
    Entry(lines, "Deep1", "Dziļi", "Глубоко");
    Entry(lines, "Item1", "Pielikt", "Добавить");
    Entry(lines, "StatusBar1_0", "Gatavs", "Готово");
    Entry(lines, "OrnCheckBox1", "Kopēt", "Копировать");
    Entry(lines, "CaptionLabel", "Iekšējā daļa", "Внутренняя часть");  // a compound control's own part
    const std::string path = langtest::WriteDictionary(dir_->path(), lines);

    TOrnForm form;
    form.setObjectName("Form1");
    form.setWindowTitle("Form");
    form.SetLanguageIni(QString::fromStdString(path));
    auto* label = Named<QLabel>("Label1", &form);
    auto* group = Named<QGroupBox>("GroupBox1", &form);
    auto* check = Named<QCheckBox>("CheckBox1", group);  // inside a group box
    auto* radio = Named<QRadioButton>("RadioButton1", &form);
    radio->setText("Radio");
    auto* button = Named<QPushButton>("Button1", &form);
    auto* speed = Named<QToolButton>("SpeedButton1", &form);
    speed->setProperty("hint", "Open");
    auto* ornLabel = Named<TOrnLabel>("OrnLabel1", &form);
    ornLabel->SetLoadAs(OrnTypes::AsEdit);
    auto* radioGroup = Named<TOrnRadioGroup>("RadioGroup1", &form);
    radioGroup->SetItems({"Never", "Weekly"});
    auto* tabs = Named<QTabWidget>("PageControl1", &form);
    tabs->addTab(Named<QWidget>("TabSheet1", nullptr), "Rotation");
    tabs->addTab(Named<QWidget>("TabSheet2", nullptr), "Unique");
    auto* list = Named<QListWidget>("ListBox1", &form);
    list->addItems({"a", "b", "c"});
    auto* grid = new QTableWidget(1, 2, &form);
    grid->setObjectName("Grid1");
    grid->setHorizontalHeaderLabels({"File", "Path"});
    grid->horizontalHeaderItem(0)->setData(Qt::UserRole, "FAIL");
    auto* bar = Named<QMenuBar>("Main", &form);
    QMenu* file = bar->addMenu("File");
    file->setObjectName("File1");
    QMenu* sub = file->addMenu("More");
    sub->setObjectName("Sub1");
    QAction* deep = NamedAction(sub, "Deep1", "Deep");
    auto* popup = Named<QMenu>("PopupMenu1", &form);
    QAction* item = NamedAction(popup, "Item1", "Add");
    auto* status = Named<QStatusBar>("StatusBar1", &form);
    auto* panel = new QLabel("Ready", status);
    status->addWidget(panel);
    auto* ornCheck = Named<TOrnCheckBox>("OrnCheckBox1", &form);
    form.FormCreate();

    QCOMPARE(form.windowTitle(), QString("Logs"));
    QCOMPARE(form.GradientCaption()->Text(), QString("Logs"));
    QCOMPARE(label->text(), QString("Uzraksts"));
    QCOMPARE(group->title(), QString("Grupa"));
    QCOMPARE(check->text(), QString::fromUtf8("Sējumi"));
    QCOMPARE(radio->text(), QString("Radio"));    // a blank translation is none
    QCOMPARE(button->text(), QString("  Labi"));  // applied untrimmed
    QCOMPARE(speed->property("hint").toString(), QString::fromUtf8("Atvērt failu"));
    QCOMPARE(ornLabel->Caption(), QString::fromUtf8("Arhīvs"));
    QCOMPARE(radioGroup->Caption(), QString::fromUtf8("Shēma"));
    QCOMPARE(radioGroup->Items(), QStringList({"Never", QString::fromUtf8("Katru nedēļu")}));
    QCOMPARE(tabs->tabText(0), QString("Rotation"));
    QCOMPARE(tabs->tabText(1), QString::fromUtf8("Unikālā"));
    QCOMPARE(list->count(), 5);  // grown to the dictionary's items
    QCOMPARE(list->item(4)->text(), QString("Vienums"));
    QCOMPARE(grid->horizontalHeaderItem(0)->text(), QString("Fails"));
    QCOMPARE(grid->horizontalHeaderItem(1)->text(), QString::fromUtf8("Ceļš"));
    QCOMPARE(file->title(), QString("Fails"));
    QCOMPARE(sub->title(), QString::fromUtf8("Vairāk"));
    QCOMPARE(deep->text(), QString::fromUtf8("Dziļi"));  // third level
    QCOMPARE(item->text(), QString("Pielikt"));
    QCOMPARE(panel->text(), QString("Gatavs"));
    QCOMPARE(ornCheck->Caption(), QString::fromUtf8("Kopēt"));
    QVERIFY(ornCheck->CaptionLabel()->text().contains(QString::fromUtf8("Kopēt")));  // its own part untouched

    // Switching: label texts to Russian, edit texts stay Latvian.
    orn::FrameworkValues& v = orn::Framework().values;
    v.language = v.sysLanguage = 2;
    form.ReloadCharSets();
    form.ChangeLanguage();
    QCOMPARE(form.windowTitle(), QString::fromUtf8("Окно"));
    QCOMPARE(label->text(), QString::fromUtf8("Надпись"));
    QCOMPARE(radio->text(), QString::fromUtf8("Кнопка"));
    QCOMPARE(speed->property("hint").toString(), QString::fromUtf8("Открыть файл"));
    QCOMPARE(ornLabel->Caption(), QString::fromUtf8("Arhīvs"));  // AsEdit
    QCOMPARE(list->item(0)->text(), QString("Vienums"));
    QCOMPARE(deep->text(), QString::fromUtf8("Глубоко"));
    QCOMPARE(v.labelCharset, 204);
    QCOMPARE(v.editCharset, 186);
    QCOMPARE(v.systemCharset, 204);
  }

  void pageControlFollowsThePageControlSetting() {
    std::vector<Line> lines = langtest::BuiltIns();
    lines.insert(lines.end(), {{"* Page1"}, {"Label text"}, {"System text"}, {""}});
    orn::WriteFileAtomically("Params.ini", "LANGUAGE=1\r\nSYSLANGUAGE=2\r\nPAGE CONTROL=as system\r\n");
    TOrnForm form;
    form.setObjectName("Form1");
    form.SetLanguageIni(QString::fromStdString(langtest::WriteDictionary(dir_->path(), lines)));
    auto* orn = Named<TOrnPageControl>("Pages", &form);
    orn->addTab(Named<QWidget>("Page1", nullptr), "Page");
    auto* plain = Named<QTabWidget>("Plain", &form);
    plain->addTab(Named<QWidget>("Page1", nullptr), "Page");
    form.FormCreate();
    QCOMPARE(orn->tabText(0), QString("System text"));
    QCOMPARE(plain->tabText(0), QString("Label text"));
  }

  // Collecting twice adds nothing the second time; a caption that stands as
  // another entry's first line becomes an alias of it; a text that stands
  // as a later language's line gets an entry of its own instead of breaking
  // the entry it stands in.
  void saveCompToIniAddsOnlyWhatIsMissing() {
    std::vector<Line> lines;
    Entry(lines, "Other", "Arhīvs", "Архив");
    lines.insert(lines.end(), {{"* Zip1"}, Lv("Arhivēt ZIP"), {"ZIP"}, {""}});
    const std::string path = langtest::WriteDictionary(dir_->path(), lines);
    {
      TOrnForm form;
      form.setObjectName("Form2");
      form.setWindowTitle(QString::fromUtf8("Arhīvs"));
      form.SetLanguageIni(QString::fromStdString(path));
      Named<QPushButton>("Btn1", &form)->setText("ZIP");
      Named<QLabel>("Lbl1", &form)->setText("Jauns");
      Named<QLabel>("Lbl2", &form)->setText("  ");
      Named<QLabel>("Other", &form)->setText("Changed");  // present: never changed
      form.FormCreate();
      form.SaveCompToINI();
      const auto first = orn::ReadWholeFile(path);
      form.SaveCompToINI();
      QCOMPARE(orn::ReadWholeFile(path), first);

      orn::FrameworkValues& v = orn::Framework().values;
      QCOMPARE(orn::LabelText("Form2"), std::string("Arhīvs"));
      QCOMPARE(orn::LabelText("Btn1"), std::string("ZIP"));
      QCOMPARE(orn::LabelText("Lbl1"), std::string("Jauns"));
      QVERIFY(!orn::Framework().dictionary->HasKey("Lbl2"));
      v.language = 2;
      QCOMPARE(orn::LabelText("Form2"), std::string("Архив"));
      QCOMPARE(orn::LabelText("Zip1"), std::string("ZIP"));
      QCOMPARE(orn::LabelText("Other"), std::string("Архив"));
    }
    const std::string text = *orn::ReadWholeFile(path);
    QVERIFY(text.rfind("* CHARSETINI\r\nBALTIC_CHARSET\r\nRUSSIAN_CHARSET\r\n0\r\n \r\n* ORNCBPOPUPMENU_1\r\n", 0) ==
            0);
    QVERIFY(text.find("* Form2\r\n" + orn::FromUtf8("Arhīvs", 1257)) != std::string::npos);
  }

  void charSetIniChoosesTheCharacterSet() {
    std::vector<Line> lines = {{"* CharSetINI"}, {"204"}, {"x"}, {""}};
    TOrnForm form;
    form.SetLanguageIni(QString::fromStdString(langtest::WriteDictionary(dir_->path(), lines)));
    form.FormCreate();
    orn::FrameworkValues& v = orn::Framework().values;
    QCOMPARE(v.labelCharset, 204);
    v.language = 2;
    form.ReloadCharSets();
    QCOMPARE(v.labelCharset, 186);
    QCOMPARE(v.editCharset, 204);
  }

  // The main window's language choice reaches every open window.
  void switchLanguageReachesEveryWindow() {
    std::vector<Line> lines = langtest::BuiltIns();
    Entry(lines, "FormA", "Pirmais", "Первое");
    Entry(lines, "FormB", "Otrais", "Второе");
    const QString path = QString::fromStdString(langtest::WriteDictionary(dir_->path(), lines));
    TOrnForm a, b;
    a.setObjectName("FormA");
    b.setObjectName("FormB");
    for (TOrnForm* f : {&a, &b}) {
      f->SetLanguageIni(path);
      f->FormCreate();
    }
    QCOMPARE(b.windowTitle(), QString("Otrais"));
    QVERIFY(orn::SwitchLanguage(1, "Params.ini"));
    QCOMPARE(a.windowTitle(), QString::fromUtf8("Первое"));
    QCOMPARE(b.windowTitle(), QString::fromUtf8("Второе"));
    QCOMPARE(orn::Framework().values.editLanguage, 1);
    QVERIFY(orn::ReadWholeFile("Params.ini")->find("LANGUAGE=2\r\n") != std::string::npos);
  }

  // Without Params.ini the language file's "$" settings stand in.
  void languageFileSettings() {
    std::vector<Line> lines = {{"$ Language"}, {"$ SysLanguage"},   {"2"},      {"$ EditLanguage"},
                               {"two"},        {"$ Font For Grid"}, {"  "},     {"$ Font For Form"},
                               {"FONT:Arial"}, {"$ FonForForm"},    {"fon.bmp"}};
    orn::LanguageDictionary dictionary;
    QVERIFY(dictionary.Load(langtest::WriteDictionary(dir_->path(), lines)));
    orn::FrameworkValues v;
    orn::ReadLanguageFileSettings(dictionary, v);
    QCOMPARE(v.language, 2);
    QCOMPARE(v.sysLanguage, 2);
    QCOMPARE(v.editLanguage, 1);
    QCOMPARE(v.printLanguage, 1);
    QCOMPARE(v.fontForForm, std::string("FONT:Arial"));
    QCOMPARE(v.fontForGrid, std::string("Not defined"));
    QCOMPARE(v.fontForPrint, std::string("Not defined"));
    QCOMPARE(v.fonForForm, std::string("fon.bmp"));
    QCOMPARE(v.logoForForm, std::string());
  }

 private:
  std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_MAIN(LangTranslationTest)
#include "LangTranslationTest.moc"
