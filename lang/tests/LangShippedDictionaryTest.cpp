// The dictionary shipped beside the program: the three languages decode
// with their own code pages, the language chooser names each language in
// itself, a first start speaks the locale's language, the menus' access
// letters differ in every language, and every text of the main window and
// the question window has an entry.
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "ArchivatorDialogs.h"
#include "Calculat.h"
#include "FileSystem.h"
#include "Floppy.h"
#include "FrameworkState.h"
#include "GradCaption.h"
#include "LangTranslation.h"
#include "LanguageDictionary.h"
#include "MainUnit.h"
#include "MessageDialog.h"
#include "PasswordDlg.h"
#include "SprAdm.h"
#include "Table.h"
#include "TextUtil.h"
#include "UnArh.h"
#include "UnitAbout.h"
#include "UnitMessanger.h"
#include "ZipMessages.h"
#include "addfiles.h"
#include "frmSimpleZipper.h"
#include "funarhf.h"

namespace {
const std::string kShipped = std::string(ORN_BIN_DIR) + "/RadEzaZuvev.ini";
}

class LangShippedDictionaryTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QDir::setCurrent(dir_->path());
    if (!orn::FileExists(kShipped)) QSKIP("RadEzaZuvev.ini has not been written (python3 missing)");
  }

  void threeLanguagesReadBack() {
    orn::LanguageDictionary d;
    QVERIFY(d.Load(kShipped));
    QCOMPARE(d.CharsetOf(1), 186);
    QCOMPARE(d.CharsetOf(2), 204);
    QCOMPARE(d.CharsetOf(3), 0);
    QCOMPARE(d.Lookup("LanguageName_1", 1), std::string("Latviešu"));
    QCOMPARE(d.Lookup("LanguageName_2", 2), std::string("Русский"));
    QCOMPARE(d.Lookup("LanguageName_3", 3), std::string("English"));
    QCOMPARE(d.Lookup("LabSav", 1), std::string("Vai saglabāt izmaiņas?"));
    QCOMPARE(d.Lookup("LabSav", 2), std::string("Сохранить изменения?"));
    QCOMPARE(d.Lookup("LabSav", 3), std::string("Save the changes?"));
    QCOMPARE(d.Lookup("ORNCBPOPUPMENU_2", 1), std::string("Rediģēt"));
    // Every entry holds a line for each language and a closing blank line.
    const auto& lines = d.Lines();
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].empty() || lines[i][0] != '*' || (i + 1 < lines.size() && lines[i + 1][0] == '*')) continue;
      QVERIFY2(i + 4 < lines.size(), lines[i].c_str());
      QVERIFY2(!lines[i + 1].empty() && !lines[i + 2].empty() && !lines[i + 3].empty(), lines[i].c_str());
      QVERIFY2(orn::Trim(lines[i + 4]).empty(), lines[i].c_str());
    }
  }

  // Each language is named in itself, whatever the window speaks; a first
  // start (no language in Params.ini) speaks the locale's language.
  void windowsStartInTheChosenLanguage() {
    const QStringList names = {QString::fromUtf8("Latviešu"), QString::fromUtf8("Русский"), "English"};
    struct Row {
      const char* params;  // null: no Params.ini
      const char* locale;
      int chosen;
      const char* labSav;
    } rows[] = {
        {"LANGUAGE=2\r\nSYSLANGUAGE=2\r\nHELPLANGUAGE=2\r\n", "lv_LV.UTF-8", 1, "Сохранить изменения?"},
        {nullptr, "ru_RU.UTF-8", 1, "Сохранить изменения?"},
        {nullptr, "lv_LV.UTF-8", 0, "Vai saglabāt izmaiņas?"},
        {nullptr, "de_DE.UTF-8", 2, "Save the changes?"},
    };
    for (const Row& row : rows) {
      QFile::remove("Params.ini");
      if (row.params) orn::WriteFileAtomically("Params.ini", row.params);
      qputenv("LC_ALL", row.locale);
      {
        TMainForm form({});
        auto* chooser = form.findChild<QComboBox*>("cbLabelLang");
        QStringList shown;
        for (int i = 0; i < chooser->count(); ++i) shown << chooser->itemText(i);
        QCOMPARE(shown, names);
        QCOMPARE(chooser->currentIndex(), row.chosen);
        QCOMPARE(form.findChild<QLabel*>("LabSav")->text(), QString::fromUtf8(row.labSav));
      }
      qunsetenv("LC_ALL");
    }
  }

  // Within each menu bar, and within each menu, no two entries share an
  // access letter, in any language: Alt+letter always reaches one place.
  void accessLettersDifferInEveryLanguage() {
    for (int language = 1; language <= 3; ++language) {
      const std::string n = std::to_string(language);
      orn::WriteFileAtomically("Params.ini",
                               "LANGUAGE=" + n + "\r\nSYSLANGUAGE=" + n + "\r\nHELPLANGUAGE=" + n + "\r\n");
      TMainForm form({});
      TFormCalcul calculator(&form);
      for (QMenuBar* bar : {form.findChild<QMenuBar*>(), calculator.findChild<QMenuBar*>()}) {
        QVERIFY(bar);
        CheckLetters(bar->actions(), n + " " + bar->objectName().toStdString());
        for (QAction* menu : bar->actions())
          if (menu->menu()) CheckLetters(menu->menu()->actions(), n + " " + menu->text().toStdString());
      }
    }
  }

  // The standard buttons and the texts the main window keeps outside its
  // components follow the chosen language.
  void buttonsAndOtherTextsFollowTheLanguage() {
    struct Row {
      int language;
      const char* yes;
      const char* cancel;
      const char* fileColumn;
      const char* recent;
      const char* captionStrip;
      const char* wrongPassword;  // the zip engine's own question
    } rows[] = {{1, "&Jā", "At&celt", "Fails", "&Nesen lietotie darbi", "Ombrelant ZIP arhivators",
                 "Parole ir nepareiza. Ievadiet paroli:"},
                {2, "&Да", "&Отмена", "Файл", "Недавние &задания", "ZIP-архиватор Ombrelant",
                 "Неверный пароль. Введите пароль:"},
                {3, "&Yes", "&Cancel", "File", "&Recent jobs", "Ombrelant ZIP archivator",
                 "The password is wrong. Enter the password:"}};
    UseDictionaryForZipMessages();
    for (const Row& row : rows) {
      const std::string n = std::to_string(row.language);
      orn::WriteFileAtomically("Params.ini",
                               "LANGUAGE=" + n + "\r\nSYSLANGUAGE=" + n + "\r\nHELPLANGUAGE=" + n + "\r\n");
      TMainForm form({});
      std::unique_ptr<QDialog> question = CreateMessageDialog("?", form.windowTitle(), orn::DialogType::Confirmation,
                                                              orn::kBtnYes | orn::kBtnNo | orn::kBtnCancel);
      QCOMPARE(question->findChild<QPushButton*>("Yes")->text(), QString::fromUtf8(row.yes));
      QCOMPARE(question->findChild<QPushButton*>("Cancel")->text(), QString::fromUtf8(row.cancel));
      QCOMPARE(form.findChild<QTableWidget*>("List")->horizontalHeaderItem(0)->text(),
               QString::fromUtf8(row.fileColumn));
      QCOMPARE(form.findChild<QMenu*>("Recent1")->title(), QString::fromUtf8(row.recent));
      QCOMPARE(form.GradientCaption()->Captions(), QStringList{QString::fromUtf8(row.captionStrip)});
      QCOMPARE(MessageDialogCaption("", orn::DialogType::Information), QString::fromUtf8(row.captionStrip));
      QCOMPARE(TPasswordDlg(orn::kZipPwdWrong, nullptr).Prompt(), std::string(row.wrongPassword));
      // Qt's own file chooser follows as well (Qt's translations).
      const QString lookIn = QCoreApplication::translate("QFileDialog", "Look in:");
      QVERIFY2((lookIn == "Look in:") == (row.language == 3), qPrintable(lookIn));
    }
  }

  // Collecting the windows' texts into the shipped dictionary adds nothing:
  // every caption, hint and menu item already has its entry.
  void everyTextHasAnEntry() {
    TMainForm form({});
    TfrmMessager messager;
    orn::Job job;
    orn::FileChooserModel model({"a.txt"}, [](const std::string&) { return false; });
    TFormUnarh archives(job);
    TFormUnAr files(model);
    TAddForm add(dir_->path().toStdString());
    TfrmSPRAdmin marking(nullptr);
    TFormCopyToFlop floppies({}, "Buh");
    TfrmSimplyZIP unzip;
    TFormBefPars choice;
    TFormA about;
    TFormCalcul calculator;
    orn::LanguageDictionary d;
    QVERIFY(d.Load(kShipped));
    const std::vector<std::string> before = d.Lines();
    for (QWidget* window : std::initializer_list<QWidget*>{&form, &messager, &archives, &files, &add, &marking,
                                                           &floppies, &unzip, &choice, &about, &calculator})
      orn::CollectFormTexts(window, d);
    // What these show is data, not text: numbers, paths, addresses, list
    // items, the signs of the calculator's keys and of the move buttons.
    QSet<QString> data = {
        "LBSavedFiles_0", "IncludeBtn", "IncAllBtn", "ExcludeBtn", "ExAllBtn",     "Label1",  "Label2",
        "LblNumArh",      "LblNumDisk", "LblNumKop", "StatProg_0", "StatProgText", "HP",      "AT",
        "LblDisp",        "LblB",       "LblMem",    "BtnCopy",    "BtnZpt",       "BtnZn",   "BtnD",
        "BtnMult",        "BtnMinus",   "BtnPlus",   "BtnEql",     "BtnProc",      "BtnObr",  "BtnSqrt",
        "BtnCE",          "BtnC",       "BtnMC",     "BtnMR",      "BtnMS",        "BtnMPlus"};
    for (int digit = 0; digit <= 9; ++digit) data << QString("Btn%1").arg(digit);
    QStringList added;
    for (const std::string& line : d.Lines())
      if (line.rfind("* ", 0) == 0 && std::find(before.begin(), before.end(), line) == before.end() &&
          !data.contains(QString::fromStdString(line.substr(2))))
        added << QString::fromStdString(line);
    QVERIFY2(added.isEmpty(), qPrintable("no entry for: " + added.join(", ")));
  }

 private:
  static void CheckLetters(const QList<QAction*>& actions, const std::string& where) {
    QSet<QChar> letters;
    for (QAction* item : actions) {
      if (item->isSeparator() || !item->isVisible()) continue;
      const QString text = item->text();
      const qsizetype at = text.indexOf('&');
      QVERIFY2(at >= 0 && at + 1 < text.size(), (where + ": no letter in " + text.toStdString()).c_str());
      const QChar letter = text.at(at + 1).toLower();
      QVERIFY2(!letters.contains(letter), (where + ": a second " + text.toStdString()).c_str());
      letters.insert(letter);
    }
  }

  std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_MAIN(LangShippedDictionaryTest)
#include "LangShippedDictionaryTest.moc"
