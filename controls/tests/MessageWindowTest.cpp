// The message window and the run-time dialog as a user answers them.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <functional>

#include "FrameworkState.h"
#include "GradCaption.h"
#include "MessageDialog.h"
#include "QtDialogService.h"
#include "Soobchen.h"

class ControlsTest : public QObject {
  Q_OBJECT

  // Runs `act` on the active modal window once it is up.
  static void WhenShown(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
      QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
      act(QApplication::activeModalWidget());
    });
  }

 private slots:
  // Answers by the mouse and by the keyboard alone: Enter presses the
  // focused button (the default one at first), Tab moves to the other,
  // Escape closes the window.
  void messageBoxAnswers_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<QString>("press");
    QTest::addColumn<int>("expected");
    QTest::newRow("Yes") << 6 << 0 << "BtnOK" << 0;
    QTest::newRow("No") << 6 << 0 << "BtnCancel" << 5;
    QTest::newRow("OK alone") << 0 << 0 << "BtnOK" << 0;
    QTest::newRow("Cancel") << 1 << 0 << "BtnCancel" << 5;
    QTest::newRow("closed with Escape") << 6 << 0 << "Escape" << 99;
    QTest::newRow("Enter on the default Yes") << 6 << 0 << "Enter" << 0;
    QTest::newRow("Enter on the default No") << 6 << 256 << "Enter" << 5;
    QTest::newRow("Tab to No, Enter") << 6 << 0 << "Tab Enter" << 5;
    QTest::newRow("Enter on a lone OK") << 0 << 0 << "Enter" << 0;
    QTest::newRow("Escape on a lone OK") << 0 << 0 << "Escape" << 99;
  }
  void messageBoxAnswers() {
    QFETCH(int, buttons);
    QFETCH(int, defaultButton);
    QFETCH(QString, press);
    QFETCH(int, expected);
    WhenShown([press](QWidget* w) {
      if (!press.startsWith("Btn")) {
        for (const QString& key : press.split(' ')) {
          const int code = key == "Tab" ? Qt::Key_Tab : key == "Enter" ? Qt::Key_Return : Qt::Key_Escape;
          QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w, Qt::Key(code));
        }
      } else {
        QTest::mouseClick(w->findChild<QPushButton*>(press), Qt::LeftButton);
      }
    });
    QString extra;
    QCOMPARE(ShowMessageBox("Question", "Save the job?", extra, 2, defaultButton, buttons), expected);
    QCOMPARE(TFormSoobchen::LastResult(), expected);
    QVERIFY(!FormSoobchen()->isVisible());
  }

  void inputModeReturnsTheEditedTextEvenOnCancel() {
    WhenShown([](QWidget* w) {
      auto* edit = w->findChild<QLineEdit*>("EditStroka");
      QVERIFY(edit->isVisible());
      QVERIFY(!w->findChild<QLabel*>("LblDopInform")->isVisible());
      edit->selectAll();
      QTest::keyClicks(edit, "Marts");
      QTest::mouseClick(w->findChild<QPushButton*>("BtnCancel"), Qt::LeftButton);
    });
    orn::Framework().values.labelCharset = 204;
    QString extra = "Janvaris";
    QCOMPARE(ShowMessageBox("Month", "Which month?", extra, 99, 0, 1), 5);
    QCOMPARE(extra, QString("Marts"));
    QCOMPARE(FormSoobchen()->findChild<QLabel*>("LblSoob")->property("Charset").toInt(), 204);
    orn::Framework().values.labelCharset = 186;
  }

  void buttonsArePlacedAroundTheMiddle() {
    TFormSoobchen box;
    box.Prepare("Caption", "Message", "second line", 1, 256, 6);
    auto* panel = box.findChild<QWidget*>("Panel1");
    auto* ok = box.findChild<QPushButton*>("BtnOK");
    auto* cancel = box.findChild<QPushButton*>("BtnCancel");
    const int w = ok->width();
    QCOMPARE(ok->text(), QString("Yes"));
    QCOMPARE(cancel->text(), QString("No"));
    QCOMPARE(ok->x(), (panel->width() - w) / 2 - w * 3 / 4);
    QCOMPARE(cancel->x(), (panel->width() + w) / 2 - w / 4);
    QCOMPARE(box.findChild<QLabel*>("LblDopInform")->text(), QString("second line"));
    QCOMPARE(box.findChild<GradCaption*>("GradCaption")->Text(), QString("Caption"));

    box.Prepare("Caption", "Message", "", 0, 0, 0);
    QVERIFY(cancel->isHidden());
    QCOMPARE(ok->x(), (panel->width() - w) / 2);

    // Buttons that say what they do keep apart and inside the window.
    box.Prepare("Caption", "Message", "Log: /srv/backup/ZuzIzu_log.txt", 1, 256, 1, "Open the log in the text viewer",
                "Close");
    QCOMPARE(ok->text(), QString("Open the log in the text viewer"));
    QCOMPARE(cancel->text(), QString("Close"));
    QVERIFY(ok->width() >= ok->sizeHint().width());
    QVERIFY(ok->x() >= 0 && ok->geometry().right() < cancel->x() && cancel->geometry().right() < panel->width());
    QVERIFY(cancel->isDefault() && !ok->isDefault());
  }

  void runTimeDialogCaptionsAndButtons() {
    QCOMPARE(MessageDialogCaption("orncaption", orn::DialogType::Error), QString::fromUtf8("Kļūda"));
    QCOMPARE(MessageDialogCaption("ORNCAPTION", orn::DialogType::Confirmation), QString::fromUtf8("Jautājums"));
    QCOMPARE(MessageDialogCaption("Mine", orn::DialogType::Error), QString("Mine"));
    QCOMPARE(MessageDialogCaption(" ", orn::DialogType::Error), QApplication::applicationDisplayName());

    auto english = MessageDialogButtons(orn::kBtnOK | orn::kBtnYes | orn::kBtnHelp, false);
    QCOMPARE(english.size(), size_t(3));
    QCOMPARE(english[0].caption, QString("Yes"));
    QCOMPARE(english[1].name, QString("OK"));
    QCOMPARE(english[2].modalResult, 0);
    auto latvian = MessageDialogButtons(orn::kBtnCancel | orn::kBtnNo, true);
    QCOMPARE(latvian[0].caption, QString::fromUtf8("&Nē"));
    QCOMPARE(latvian[1].caption, QString("At&celt"));

    // Enter presses the default button (Yes without OK); Escape answers No.
    for (auto [key, expected] : {std::pair{Qt::Key_Return, orn::kMrYes}, std::pair{Qt::Key_Escape, orn::kMrNo}}) {
      WhenShown([key = key](QWidget* w) { QTest::keyClick(w, key); });
      QCOMPARE(MessageDialog("Replace?", "ORNCAPTION", orn::DialogType::Confirmation, orn::kBtnYes | orn::kBtnNo),
               expected);
    }
    WhenShown([](QWidget* w) { QTest::mouseClick(w->findChild<QPushButton*>("Retry"), Qt::LeftButton); });
    QCOMPARE(MessageDialog("Disk?", "", orn::DialogType::Warning, orn::kBtnRetry | orn::kBtnAbort), orn::kMrRetry);
  }

  void serviceUsesTheWindows() {
    QCOMPARE(QtFileFilter("Ombrelant Archive file|*.arh"), QString("Ombrelant Archive file (*.arh)"));
    QCOMPARE(QtFileFilter("Zip|*.zip;*.ZIP|All|*.*"), QString("Zip (*.zip *.ZIP);;All (*.*)"));
    QtDialogService service;
    WhenShown([](QWidget* w) {
      QCOMPARE(w->findChild<QLabel*>("LblSoob")->text(), QString("Save?"));
      QTest::mouseClick(w->findChild<QPushButton*>("BtnOK"), Qt::LeftButton);
    });
    QVERIFY(service.Question("Save?", "Yes", "No"));
    orn::MessageBoxRequest request;
    request.iconIndex = 99;
    request.buttons = 1;
    request.extra = "a";
    WhenShown([](QWidget* w) {
      QTest::keyClick(w->findChild<QLineEdit*>("EditStroka"), Qt::Key_End);
      QTest::keyClicks(w->findChild<QLineEdit*>("EditStroka"), "b");
      QTest::mouseClick(w->findChild<QPushButton*>("BtnOK"), Qt::LeftButton);
    });
    QCOMPARE(service.MessageBox(request), orn::kMsgOk);
    QCOMPARE(request.extra, std::string("ab"));
  }
};

QTEST_MAIN(ControlsTest)
#include "MessageWindowTest.moc"
