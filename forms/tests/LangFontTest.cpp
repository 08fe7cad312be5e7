// Fonts and character sets: the font settings replace face names only, the
// character sets follow each control's style, and one dictionary file holds
// Latvian and Russian lines that both reach the screen with their letters.
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "FontManagement.h"
#include "FrameworkState.h"
#include "GradCaption.h"
#include "LangTestUtil.h"
#include "OrnEdits.h"
#include "OrnForma.h"
#include "OrnLabel.h"
#include "OrnStringGrid.h"
#include "OrnTabs.h"

// The list-file combo box as it will arrive: the font rules find it by its
// class name and read its two-valued CharSetStyle.
class TOrnComboBox : public QComboBox {
  Q_OBJECT
  Q_PROPERTY(int CharSetStyle READ CharSetStyle WRITE SetCharSetStyle)
 public:
  using QComboBox::QComboBox;
  int CharSetStyle() const { return style_; }
  void SetCharSetStyle(int style) { style_ = style; }

 private:
  int style_ = 0;  // csAsEdit
};

using langtest::Line;
using langtest::Lv;
using langtest::Ru;

class LangFontTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QDir::setCurrent(dir_->path());
  }

  void fontSpecSetsOnlyTheFaceName_data() {
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("family");
    QTest::newRow("face with a blank and a size") << "FONT:Times New Roman;12"
                                                  << "Times New Roman";
    QTest::newRow("keyword in lower case") << "font:Times New Roman;12"
                                           << "Times New Roman";
    QTest::newRow("Default") << "Default"
                             << "Arial";
    QTest::newRow("Not defined") << "Not defined"
                                 << "Arial";
    QTest::newRow("bare face name") << "Courier"
                                    << "Arial";
    QTest::newRow("keyword without a face") << "FONT:;12"
                                            << "Arial";
  }
  void fontSpecSetsOnlyTheFaceName() {
    QFETCH(QString, setting);
    QFETCH(QString, family);
    QFont font("Arial");
    font.setPointSize(9);
    font.setBold(true);
    QFont& same = orn::ApplyFontSpec(setting.toStdString(), font);
    QCOMPARE(&same, &font);
    QCOMPARE(font.family(), family);
    QCOMPARE(font.pointSize(), 9);
    QVERIFY(font.bold());
  }

  void fontSettingsReachTheirControls() {
    orn::WriteFileAtomically("Params.ini",
                             "FONT FOR FORM=FONT:DejaVu Serif;10\r\nFONT FOR GRID=font:DejaVu Sans Mono\r\n"
                             "FONT FOR GRID CAPTURE=FONT:DejaVu Sans\r\n");
    TOrnForm form;
    auto* label = new TOrnLabel(&form);
    label->setObjectName("OrnLabel1");
    auto* memo = new TOrnMemo(&form);
    memo->setObjectName("Memo1");
    auto* grid = new TOrnStringGrid(&form);
    grid->setObjectName("Grid1");
    form.FormCreate();
    QCOMPARE(form.font().family(), QString("DejaVu Serif"));
    QCOMPARE(label->font().family(), QString("DejaVu Serif"));
    QCOMPARE(memo->font().family(), QString("DejaVu Sans Mono"));
    QCOMPARE(grid->font().family(), QString("DejaVu Sans Mono"));
    QCOMPARE(grid->ResultFont().family(), QString("DejaVu Sans Mono"));
    QCOMPARE(grid->FixedFont().family(), QString("DejaVu Sans"));
  }

  // Label texts in Latvian, edit texts in Russian, from one file.
  void latvianAndRussianLinesShowTheirLetters() {
    std::vector<Line> lines = langtest::BuiltIns();
    lines.insert(lines.end(), {{"* Caption1"}, Lv("Arhīvs ņemts"), Ru("Архив взят"), {""}});
    lines.insert(lines.end(), {{"* Caption2"}, Lv("Arhīvs ņemts"), Ru("Архив взят"), {""}});
    orn::WriteFileAtomically("Params.ini", "LANGUAGE=1\r\nEDITLANGUAGE=2\r\nSYSLANGUAGE=2\r\n");
    TOrnForm form;
    form.setObjectName("MainForm");
    form.SetLanguageIni(QString::fromStdString(langtest::WriteDictionary(dir_->path(), lines)));
    auto* latvian = new TOrnLabel(&form);
    latvian->setObjectName("Caption1");
    auto* russian = new TOrnLabel(&form);
    russian->setObjectName("Caption2");
    russian->SetLoadAs(OrnTypes::AsEdit);
    auto* system = new TOrnLabel(&form);
    system->setObjectName("Caption3");
    system->SetLoadAs(OrnTypes::AsSystem);
    auto* edit = new TOrnEdit(&form);
    edit->setObjectName("Edit1");
    auto* grid = new TOrnStringGrid(&form);
    grid->setObjectName("Grid1");
    grid->SetCharSetStyle(OrnTypes::cssAsSystem);
    form.FormCreate();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(latvian->text(), QString::fromUtf8("Arhīvs ņemts"));
    QCOMPARE(russian->text(), QString::fromUtf8("Архив взят"));
    for (QLabel* label : {static_cast<QLabel*>(latvian), static_cast<QLabel*>(russian)}) {
      const QFontMetrics metrics(label->font());
      for (QChar c : label->text()) QVERIFY2(metrics.inFont(c), qPrintable(QString("no glyph for ") + c));
    }
    QCOMPARE(orn::CharsetOf(latvian), 186);
    QCOMPARE(orn::CharsetOf(russian), 204);
    QCOMPARE(orn::CharsetOf(system), 204);
    QCOMPARE(orn::CharsetOf(edit), 204);  // edits go by CharSetStyle, cssAsEdit by default
    QCOMPARE(orn::CharsetOf(grid), 204);
    QCOMPARE(orn::CharsetOf(grid, "FixedFont"), 186);  // titles take the label set
    // The main window's gradient caption keeps the Baltic set whatever the language.
    orn::Framework().values.language = 2;
    form.ReloadCharSets();
    form.ChangeCompFont();
    QCOMPARE(orn::CharsetOf(form.GradientCaption()), 186);
    QCOMPARE(orn::CharsetOf(latvian), 204);
    QCOMPARE(orn::CharsetOf(grid, "FixedFont"), 204);

    TOrnForm other;
    other.setObjectName("Mainform2");
    other.FormCreate();
    QCOMPARE(orn::CharsetOf(other.GradientCaption()), 204);
  }

  void stylesChooseTheCharacterSet() {
    orn::WriteFileAtomically("Params.ini", "LANGUAGE=1\r\nEDITLANGUAGE=2\r\nSYSLANGUAGE=2\r\n");
    std::vector<Line> lines = {{"* CharSetINI"}, {"BALTIC_CHARSET"}, {"RUSSIAN_CHARSET"}, {""}};
    TOrnForm form;
    form.SetLanguageIni(QString::fromStdString(langtest::WriteDictionary(dir_->path(), lines)));
    auto* asEdit = new TOrnComboBox(&form);
    asEdit->setObjectName("Combo1");
    auto* asLabel = new TOrnComboBox(&form);
    asLabel->setObjectName("Combo2");
    asLabel->SetCharSetStyle(1);  // csAsLabel
    auto* outOfRange = new TOrnComboBox(&form);
    outOfRange->setObjectName("Combo3");
    outOfRange->SetCharSetStyle(7);
    auto* pages = new TOrnPageControl(&form);
    pages->setObjectName("Pages");
    pages->SetLoadAs(OrnTypes::AsSystem);
    auto* page = new QWidget;
    page->setObjectName("Page1");
    pages->addTab(page, "Page");
    form.FormCreate();
    QCOMPARE(orn::CharsetOf(asEdit), 204);
    QCOMPARE(orn::CharsetOf(asLabel), 186);
    QCOMPARE(orn::CharsetOf(outOfRange), 1);  // left as it was
    QCOMPARE(orn::CharsetOf(pages), 204);
    QCOMPARE(orn::CharsetOf(page), 204);
  }

 private:
  std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_MAIN(LangFontTest)
#include "LangFontTest.moc"
