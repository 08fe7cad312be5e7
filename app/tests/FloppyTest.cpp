// The copy window driven as a user drives it: one click per disk, the counts,
// a failed copy that changes nothing, a new pass after the last disk, the
// close box refused while copying is possible, and drives from the
// environment. Mount points are folders made by the test.
#include <QCloseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "FileSystem.h"
#include "Floppy.h"
#include "OrnBitBtn.h"
#include "OrnLabel.h"
#include "OrnRadioButton.h"
#include "RemovableMedia.h"

class FloppyTest : public QObject {
  Q_OBJECT

  template <class T>
  static T* Find(QWidget* w, const char* name) {
    T* child = w->findChild<T*>(name);
    if (!child) qFatal("no control %s", name);
    return child;
  }
  static QString Text(QWidget* w, const char* name) { return Find<TOrnLabel>(w, name)->text(); }

  std::string Write(const QString& name, const std::string& bytes) {
    const std::string path = (dir_.path() + "/" + name).toStdString();
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
  }

  QTemporaryDir dir_;

 private slots:
  void init() {
    QDir(dir_.path()).mkpath("a");
    QDir(dir_.path()).mkpath("b");
    ::setenv("ORN_DRIVE_A", (dir_.path() + "/a").toUtf8().constData(), 1);
    ::unsetenv("ORN_DRIVE_B");
  }

  void threeVolumesOnThreeClicksThenANewPass() {
    std::vector<std::string> files = {Write("Buh001.zip", "one"), Write("Buh002.zip", "two"),
                                      Write("Buh003.zip", "three")};
    const std::string a = (dir_.path() + "/a/").toStdString();
    orn::WriteFileAtomically(a + "Buh(old).zip", "an older archive of the job");
    orn::WriteFileAtomically(a + "Other.zip", "another job's");
    TFormCopyToFlop form(files, "Buh");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* copy = Find<TOrnBitBtn>(&form, "BtnCopyTo");
    QVERIFY(copy->isEnabled());
    QVERIFY(Find<TOrnRadioButton>(&form, "RBDiskA")->Checked());
    QVERIFY(!Find<TOrnRadioButton>(&form, "RBDiskB")->isEnabled());
    QCOMPARE(Text(&form, "LblNumArh"), QString("3"));

    struct Step {
      const char* disk;  // the disk asked for after the click
      const char* copied;
      const char* onDisk;
    } steps[] = {{"2", "1", "Buh001.zip"}, {"3", "2", "Buh002.zip"}, {"4", "3", "Buh003.zip"}};
    for (const Step& s : steps) {
      QTest::mouseClick(copy, Qt::LeftButton);
      QCOMPARE(Text(&form, "LblNumDisk"), QString(s.disk));
      QCOMPARE(Text(&form, "LblNumKop"), QString(s.copied));
      // Each disk holds just this file of the job.
      QCOMPARE(orn::FindFiles(a, "Buh*.zip").size(), std::size_t{1});
      QVERIFY(orn::FileExists(a + s.onDisk));
    }
    QVERIFY(orn::FileExists(a + "Other.zip"));
    QVERIFY(Find<TOrnLabel>(&form, "LblAllFilesCopy")->isVisible());
    QVERIFY(!Find<TOrnLabel>(&form, "LblInsert")->isVisible());

    QTest::mouseClick(copy, Qt::LeftButton);  // a new pass from disk 1
    QCOMPARE(Text(&form, "LblNumDisk"), QString("1"));
    QCOMPARE(Text(&form, "LblNumKop"), QString("0"));
    QVERIFY(!Find<TOrnLabel>(&form, "LblAllFilesCopy")->isVisible());
    QTest::mouseClick(copy, Qt::LeftButton);
    QCOMPARE(Text(&form, "LblNumKop"), QString("1"));

    // The close box does nothing while copying is possible; "Close" closes.
    QVERIFY(copy->isEnabled());
    form.close();
    QVERIFY(form.isVisible());
    QTest::mouseClick(Find<TOrnBitBtn>(&form, "BtnExit"), Qt::LeftButton);
    QVERIFY(!form.isVisible());
  }

  void aFailedCopyChangesNoCount() {
    std::vector<std::string> files = {Write("Buh001.zip", "one"), (dir_.path() + "/gone.zip").toStdString()};
    TFormCopyToFlop form(files, "Buh");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* copy = Find<TOrnBitBtn>(&form, "BtnCopyTo");
    QTest::mouseClick(copy, Qt::LeftButton);
    QCOMPARE(Text(&form, "LblNumKop"), QString("1"));
    QTest::mouseClick(copy, Qt::LeftButton);  // the second file is missing
    QCOMPARE(Text(&form, "LblNumKop"), QString("1"));
    QCOMPARE(Text(&form, "LblNumDisk"), QString("2"));
    QVERIFY(copy->isEnabled());  // the user may try again
    // The older file of the job was removed even though the copy failed.
    QVERIFY(orn::FindFiles((dir_.path() + "/a/").toStdString(), "Buh*.zip").empty());
  }

  // Drive A: is a USB stick: after each file the window waits for another
  // medium there, and a disk that is not changed takes no second file.
  void aRemovableDriveWaitsForTheNextDisk() {
    class Stick : public orn::MediaProbe {
     public:
      std::string mountPoint, identity;
      std::vector<orn::Medium> Mounted() override { return {{mountPoint, identity, 1 << 20, 1 << 20}}; }
      void Pause() override {}
    };
    auto owned = std::make_unique<Stick>();
    Stick* stick = owned.get();
    stick->mountPoint = (dir_.path() + "/a/").toStdString();
    stick->identity = "first";
    auto previous = orn::SetMedia(std::move(owned));
    TFormCopyToFlop form({Write("Buh001.zip", "one"), Write("Buh002.zip", "two")}, "Buh");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* copy = Find<TOrnBitBtn>(&form, "BtnCopyTo");
    QTest::mouseClick(copy, Qt::LeftButton);
    QVERIFY(orn::FileExists(stick->mountPoint + "Buh001.zip"));
    QVERIFY(form.WaitingForDisk());
    QVERIFY(Find<TOrnLabel>(&form, "LblWaitDisk")->isVisible());
    QVERIFY(!copy->isEnabled());
    form.LookForNextDisk();  // the same stick is still in
    QVERIFY(form.WaitingForDisk());

    orn::DeleteFileAt(stick->mountPoint + "Buh001.zip");
    stick->identity = "second";
    form.LookForNextDisk();
    QVERIFY(!form.WaitingForDisk());
    QVERIFY(!Find<TOrnLabel>(&form, "LblWaitDisk")->isVisible());
    QVERIFY(copy->isEnabled());
    QTest::mouseClick(copy, Qt::LeftButton);
    QVERIFY(orn::FileExists(stick->mountPoint + "Buh002.zip"));
    QCOMPARE(Text(&form, "LblNumKop"), QString("2"));
    QVERIFY(Find<TOrnLabel>(&form, "LblAllFilesCopy")->isVisible());
    form.BtnExitClick();
    orn::SetMedia(std::move(previous));
  }

  void drivesComeFromTheEnvironment() {
    struct Case {
      const char* a;
      const char* b;
      bool enabledA, enabledB, checkedA, checkedB, canCopy;
    } cases[] = {
        {"a", nullptr, true, false, true, false, true},
        {nullptr, "b", false, true, false, true, true},
        {nullptr, nullptr, false, false, false, false, false},
        {"missing", nullptr, false, false, false, false, false},
    };
    for (const Case& c : cases) {
      auto set = [this](const char* var, const char* sub) {
        if (sub)
          ::setenv(var, (dir_.path() + "/" + sub).toUtf8().constData(), 1);
        else
          ::unsetenv(var);
      };
      set("ORN_DRIVE_A", c.a);
      set("ORN_DRIVE_B", c.b);
      TFormCopyToFlop form({Write("Buh001.zip", "one")}, "Buh");
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      QCOMPARE(Find<TOrnRadioButton>(&form, "RBDiskA")->isEnabled(), c.enabledA);
      QCOMPARE(Find<TOrnRadioButton>(&form, "RBDiskB")->isEnabled(), c.enabledB);
      QCOMPARE(Find<TOrnRadioButton>(&form, "RBDiskA")->Checked(), c.checkedA);
      QCOMPARE(Find<TOrnRadioButton>(&form, "RBDiskB")->Checked(), c.checkedB);
      QCOMPARE(Find<TOrnBitBtn>(&form, "BtnCopyTo")->isEnabled(), c.canCopy);
      QCOMPARE(Text(&form, "LblNumArh"), QString("1"));
      Find<TOrnBitBtn>(&form, "BtnExit")->click();
    }
  }
};

QTEST_MAIN(FloppyTest)
#include "FloppyTest.moc"
