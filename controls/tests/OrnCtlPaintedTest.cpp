// Labels, bitmap buttons and the picture background, checked the way a user
// sees them: what lands on screen where.
#include <QDialog>
#include <QMdiArea>
#include <QPainter>
#include <QtTest>

#include "OrnBitBtn.h"
#include "OrnCtlTestUtil.h"
#include "OrnEdits.h"
#include "OrnFon.h"
#include "OrnLabel.h"
#include "OrnStringGrid.h"

using namespace orntest;

class OrnCtlPaintedTest : public QObject {
  Q_OBJECT

 private slots:
  void LabelShadowOffset_data();
  void LabelShadowOffset();
  void LabelColoursByStyleAndState_data();
  void LabelColoursByStyleAndState();
  void KindTable_data();
  void KindTable();
  void KindBecomesCustomWhenChanged();
  void KindKeepsCaptionSetWhileBuilding();
  void DisabledButtonCaptionIsEmbossed();
  void ModalResultAndCancelKey();
  void CloseKindClosesWindow();
  void HelpKindOpensNearestHelpContext();
  void FonBackgroundUnderWidget();
  void PublishedDefaults();
  void FonTilesCoverArea_data();
  void FonTilesCoverArea();
  void FonLogoAtCornerIgnoresPartialRepaint();
  void FonPaintsNothingWhenEmptyOrFailed();
};

namespace {

TOrnLabel* MakeLabel(TLabelStyle style, int interval, bool enabled) {
  auto* label = new TOrnLabel(QStringLiteral("HH"));
  label->setPalette(DistinctPalette());
  label->setFont(SharpFont(28));
  label->resize(120, 50);
  label->setContentsMargins(8, 8, 0, 0);
  label->SetLabelStyle(style);
  label->SetShadowInterval(interval);
  label->SetShadowColor(Qt::red);
  label->setEnabled(enabled);
  return label;
}

}  // namespace

void OrnCtlPaintedTest::LabelShadowOffset_data() {
  QTest::addColumn<int>("interval");
  QTest::newRow("two") << 2;
  QTest::newRow("five") << 5;
  QTest::newRow("zero hides the shadow") << 0;
}

void OrnCtlPaintedTest::LabelShadowOffset() {
  QFETCH(int, interval);
  std::unique_ptr<TOrnLabel> label(MakeLabel(OrnTypes::lsShadow, interval, true));
  const QImage img = Render(label.get());
  const QRect text = BoxOf(img, Qt::black);
  const QRect shadow = BoxOf(img, Qt::red);
  QVERIFY(!text.isEmpty());
  if (interval == 0) {
    QCOMPARE(CountOf(img, Qt::red), 0);
    return;
  }
  QCOMPARE(shadow.right(), text.right() + interval);
  QCOMPARE(shadow.bottom(), text.bottom() + interval);
}

void OrnCtlPaintedTest::LabelColoursByStyleAndState_data() {
  QTest::addColumn<int>("style");
  QTest::addColumn<bool>("enabled");
  QTest::addColumn<bool>("highlight");  // clBtnHighlight visible
  QTest::addColumn<bool>("shadow");     // clBtnShadow visible
  QTest::addColumn<QColor>("text");
  QTest::newRow("plain") << int(OrnTypes::ls_None) << true << false << false << QColor(Qt::black);
  QTest::newRow("raised") << int(OrnTypes::lsRaised) << true << true << true << QColor(Qt::black);
  QTest::newRow("lowered") << int(OrnTypes::lsLowered) << true << true << true << QColor(Qt::black);
  // A disabled label keeps its relief in the normal colours, text in grey.
  QTest::newRow("raised disabled") << int(OrnTypes::lsRaised) << false << true << true << QColor(128, 0, 128);
  QTest::newRow("plain disabled") << int(OrnTypes::ls_None) << false << false << false << QColor(128, 0, 128);
}

void OrnCtlPaintedTest::LabelColoursByStyleAndState() {
  QFETCH(int, style);
  QFETCH(bool, enabled);
  QFETCH(bool, highlight);
  QFETCH(bool, shadow);
  QFETCH(QColor, text);
  std::unique_ptr<TOrnLabel> label(MakeLabel(TLabelStyle(style), 2, enabled));
  const QImage img = Render(label.get());
  QVERIFY(CountOf(img, text) > 20);
  QCOMPARE(CountOf(img, QColor(0, 255, 0)) > 0, highlight);
  QCOMPARE(CountOf(img, QColor(0, 0, 255)) > 0, shadow);
  const QColor other = enabled ? QColor(128, 0, 128) : QColor(Qt::black);
  QCOMPARE(CountOf(img, other), 0);
  if (style == OrnTypes::lsRaised) {
    // Shadow one pixel down-right, highlight one pixel up-left of the text.
    QCOMPARE(BoxOf(img, QColor(0, 0, 255)).right(), BoxOf(img, text).right() + 1);
    QCOMPARE(BoxOf(img, QColor(0, 255, 0)).left(), BoxOf(img, text).left() - 1);
  }
}

void OrnCtlPaintedTest::KindTable_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<int>("modalResult");
  QTest::addColumn<bool>("isDefault");
  QTest::addColumn<bool>("cancel");
  QTest::newRow("OK") << int(OrnTypes::bkOK) << "OK" << 1 << true << false;
  QTest::newRow("Cancel") << int(OrnTypes::bkCancel) << "Cancel" << 2 << false << true;
  QTest::newRow("Help") << int(OrnTypes::bkHelp) << "Help" << 0 << false << false;
  QTest::newRow("Yes") << int(OrnTypes::bkYes) << "Yes" << 6 << true << false;
  QTest::newRow("No") << int(OrnTypes::bkNo) << "No" << 7 << false << true;
  QTest::newRow("Close") << int(OrnTypes::bkClose) << "Close" << 0 << false << false;
  QTest::newRow("Abort") << int(OrnTypes::bkAbort) << "Abort" << 3 << false << false;
  QTest::newRow("Retry") << int(OrnTypes::bkRetry) << "Retry" << 4 << false << false;
  QTest::newRow("Ignore") << int(OrnTypes::bkIgnore) << "Ignore" << 5 << false << false;
  QTest::newRow("All") << int(OrnTypes::bkAll) << "All" << 8 << false << false;
}

void OrnCtlPaintedTest::KindTable() {
  QFETCH(int, kind);
  QFETCH(QString, caption);
  QFETCH(int, modalResult);
  QFETCH(bool, isDefault);
  QFETCH(bool, cancel);
  TOrnBitBtn button;
  button.setProperty("Kind", QVariant::fromValue(TBitBtnKind(kind)));
  QCOMPARE(int(button.Kind()), kind);
  QCOMPARE(button.Caption(), caption);
  QCOMPARE(button.ModalResult(), modalResult);
  QCOMPARE(button.Default(), isDefault);
  QCOMPARE(button.Cancel(), cancel);
  QCOMPARE(button.NumGlyphs(), 2);
  // Two images side by side: normal and disabled.
  QVERIFY(!button.Glyph().isNull());
  QCOMPARE(button.Glyph().width(), 2 * button.Glyph().height());
}

void OrnCtlPaintedTest::KindBecomesCustomWhenChanged() {
  const std::function<void(TOrnBitBtn&)> changes[] = {
      [](TOrnBitBtn& b) { b.SetModalResult(7); },
      [](TOrnBitBtn& b) { b.SetDefault(false); },
      [](TOrnBitBtn& b) { b.SetCancel(true); },
      [](TOrnBitBtn& b) { b.SetGlyph(TOrnBitBtn::KindGlyph(OrnTypes::bkOK)); },
  };
  for (const auto& change : changes) {
    TOrnBitBtn button;
    button.SetKind(OrnTypes::bkOK);
    QCOMPARE(button.Kind(), OrnTypes::bkOK);
    change(button);
    QCOMPARE(button.Kind(), OrnTypes::bkCustom);
  }
}

void OrnCtlPaintedTest::KindKeepsCaptionSetWhileBuilding() {
  TOrnBitBtn designed;
  designed.SetCaption(QStringLiteral("Labi"));
  designed.SetKind(OrnTypes::bkOK);
  QCOMPARE(designed.Caption(), QStringLiteral("Labi"));
  QCOMPARE(designed.ModalResult(), 1);

  // Once the window is up, a new kind brings its own caption.
  designed.show();
  designed.SetKind(OrnTypes::bkCancel);
  QCOMPARE(designed.Caption(), QStringLiteral("Cancel"));

  TOrnBitBtn plain;
  plain.SetKind(OrnTypes::bkYes);
  QCOMPARE(plain.Caption(), QStringLiteral("Yes"));
  plain.SetKind(OrnTypes::bkNo);  // a kind's own caption gives way
  QCOMPARE(plain.Caption(), QStringLiteral("No"));

  // A form built in code sets the text directly.
  TOrnBitBtn coded;
  coded.setText(QStringLiteral("Atcelt"));
  coded.SetKind(OrnTypes::bkCancel);
  QCOMPARE(coded.Caption(), QStringLiteral("Atcelt"));
}

void OrnCtlPaintedTest::DisabledButtonCaptionIsEmbossed() {
  TOrnButton button;
  button.setPalette(DistinctPalette());
  button.setFont(SharpFont(20));
  button.SetCaption(QStringLiteral("HH"));
  button.SetLabelStyle(OrnTypes::lsShadow);
  button.resize(120, 44);
  button.setEnabled(false);
  QImage img = Render(&button);
  const QRect inner = button.rect().adjusted(8, 8, -8, -8);
  const QRect shadow = BoxOf(img, QColor(0, 0, 255), inner);
  const QRect highlight = BoxOf(img, QColor(0, 255, 0), inner);
  QVERIFY(CountOf(img, QColor(0, 0, 255), inner) > 20);
  QCOMPARE(highlight.right(), shadow.right() + 1);
  QCOMPARE(highlight.bottom(), shadow.bottom() + 1);
  QCOMPARE(CountOf(img, Qt::black, inner), 0);

  // Enabled: text in the font colour over its shadow.
  button.setEnabled(true);
  img = Render(&button);
  QVERIFY(CountOf(img, Qt::black, inner) > 20);
}

void OrnCtlPaintedTest::ModalResultAndCancelKey() {
  QDialog dialog;
  auto* ok = new TOrnBitBtn(&dialog);
  ok->SetKind(OrnTypes::bkOK);
  auto* no = new TOrnBitBtn(&dialog);
  no->SetKind(OrnTypes::bkNo);
  no->move(0, 40);
  dialog.setModal(true);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QTest::mouseClick(ok, Qt::LeftButton);
  QCOMPARE(dialog.result(), 1);

  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QSignalSpy clicked(no, &QAbstractButton::clicked);
  QTest::keyClick(&dialog, Qt::Key_Escape);
  QCOMPARE(clicked.count(), 1);
  QCOMPARE(dialog.result(), 7);

  // A window that is not modal ignores the modal result.
  QDialog mainWindow;
  auto* ok2 = new TOrnBitBtn(&mainWindow);
  ok2->SetKind(OrnTypes::bkOK);
  mainWindow.show();
  QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
  QTest::mouseClick(ok2, Qt::LeftButton);
  QVERIFY(mainWindow.isVisible());
}

void OrnCtlPaintedTest::CloseKindClosesWindow() {
  QWidget window;
  auto* close = new TOrnBitBtn(&window);
  close->SetKind(OrnTypes::bkClose);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QTest::mouseClick(close, Qt::LeftButton);
  QVERIFY(!window.isVisible());
}

void OrnCtlPaintedTest::HelpKindOpensNearestHelpContext() {
  QList<int> opened;
  TOrnBitBtn::SetHelpHandler([&](int context) { opened << context; });
  QWidget window;
  window.setProperty("HelpContext", 10);
  auto* panel = new QWidget(&window);
  panel->setProperty("HelpContext", 42);
  auto* inner = new QWidget(panel);
  auto* help = new TOrnBitBtn(inner);
  help->SetKind(OrnTypes::bkHelp);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QTest::mouseClick(help, Qt::LeftButton);
  panel->setProperty("HelpContext", 0);
  QTest::mouseClick(help, Qt::LeftButton);
  TOrnBitBtn::SetHelpHandler(nullptr);
  QCOMPARE(opened, QList<int>({42, 10}));
}

namespace {

// A 10 x 8 tile whose top-left pixel is red and the rest green, so every
// tile origin shows as a red pixel.
QPixmap MarkedTile() {
  QImage tile(10, 8, QImage::Format_RGB32);
  tile.fill(Qt::green);
  tile.setPixel(0, 0, qRgb(255, 0, 0));
  return QPixmap::fromImage(tile);
}

QImage PaintFon(const TOrnFon& fon, const QSize& size, const QRect& clip = {}) {
  QImage img(size, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter painter(&img);
  if (!clip.isEmpty()) painter.setClipRect(clip);
  fon.PaintBackground(painter, img.rect());
  return img;
}

}  // namespace

void OrnCtlPaintedTest::FonTilesCoverArea_data() {
  QTest::addColumn<int>("paintStyle");
  QTest::newRow("from bottom right") << int(OrnTypes::psFromBottomRight);
  QTest::newRow("from top left") << int(OrnTypes::psFromTopLeft);
  QTest::newRow("from top") << int(OrnTypes::psFromTop);
}

void OrnCtlPaintedTest::FonTilesCoverArea() {
  QFETCH(int, paintStyle);
  TOrnFon fon;
  QCOMPARE(fon.size(), QSize(25, 25));
  QVERIFY(fon.isHidden());
  fon.SetPicture(MarkedTile());
  fon.SetPaintStyle(TPaintStyle(paintStyle));
  // Wider than tall, and partly repainted: tiles still line up with the
  // area's origin and nothing stays bare.
  for (const QRect& clip : {QRect(), QRect(33, 17, 50, 30)}) {
    const QImage img = PaintFon(fon, QSize(137, 61), clip);
    const QRect covered = clip.isEmpty() ? img.rect() : clip;
    QCOMPARE(CountOf(img, Qt::white, covered), 0);
    for (int y = covered.top(); y <= covered.bottom(); ++y)
      for (int x = covered.left(); x <= covered.right(); ++x)
        QCOMPARE(img.pixel(x, y) == qRgb(255, 0, 0), x % 10 == 0 && y % 8 == 0);
    if (!clip.isEmpty()) QCOMPARE(CountOf(img, Qt::white), 137 * 61 - clip.width() * clip.height());
  }
  // An area larger than the screen is covered to its far corner.
  QCOMPARE(CountOf(PaintFon(fon, QSize(2100, 1300)), Qt::white), 0);
}

void OrnCtlPaintedTest::FonLogoAtCornerIgnoresPartialRepaint() {
  TOrnFon logo;
  logo.SetPicture(MarkedTile());
  logo.SetFonStyle(OrnTypes::fsShowAtPos);
  logo.SetPaintPosStyle(OrnTypes::psCornerBR);
  logo.SetIntervalHoriz(25);
  logo.SetIntervalVert(57);
  const QPoint expected(400 - 10 - 25, 300 - 8 - 57);
  for (const QRect& clip : {QRect(), QRect(300, 200, 100, 100)}) {
    const QImage img = PaintFon(logo, QSize(400, 300), clip);
    QCOMPARE(BoxOf(img, Qt::red), QRect(expected, QSize(1, 1)));
  }

  // PaintAt takes the corner of the given rectangle, wherever it lies.
  QImage img(400, 300, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter painter(&img);
  logo.SetPaintPosStyle(OrnTypes::psCornerTR);
  logo.PaintAt(painter, QRect(100, 50, 200, 100));
  painter.end();
  QCOMPARE(BoxOf(img, Qt::red), QRect(QPoint(100 + 200 - 10 - 25, 50 + 57), QSize(1, 1)));
}

void OrnCtlPaintedTest::FonPaintsNothingWhenEmptyOrFailed() {
  TOrnFon fon;
  QCOMPARE(CountOf(PaintFon(fon, QSize(40, 40)), Qt::white), 1600);

  fon.SetPicture(MarkedTile());
  fon.setEnabled(false);
  QCOMPARE(CountOf(PaintFon(fon, QSize(40, 40)), Qt::white), 1600);
  fon.setEnabled(true);

  // A painter that cannot paint makes the tiling fail once and for all.
  QPainter idle;
  fon.PaintBackground(idle, QRect(0, 0, 40, 40));
  QVERIFY(fon.TilingFailed());
  QCOMPARE(CountOf(PaintFon(fon, QSize(40, 40)), Qt::white), 1600);
}

void OrnCtlPaintedTest::FonBackgroundUnderWidget() {
  QWidget area;
  area.resize(120, 90);
  auto* tiles = new TOrnFon(&area);
  tiles->SetPicture(MarkedTile());
  QImage logoImage(6, 4, QImage::Format_RGB32);
  logoImage.fill(Qt::blue);
  auto* logo = new TOrnFon(&area);
  logo->SetPicture(QPixmap::fromImage(logoImage));
  logo->SetFonStyle(OrnTypes::fsShowAtPos);
  logo->SetPaintPosStyle(OrnTypes::psCornerBL);
  logo->SetIntervalHoriz(3);
  logo->SetIntervalVert(5);
  orn::InstallFonBackground(&area, tiles, logo);
  const QImage img = Render(&area);
  QCOMPARE(QColor(img.pixel(10, 8)), QColor(Qt::red));
  QCOMPARE(QColor(img.pixel(11, 8)), QColor(Qt::green));
  QCOMPARE(BoxOf(img, Qt::blue), QRect(3, 90 - 4 - 5, 6, 4));

  // The desktop of the main window: an MDI area without a brush of its own.
  QMdiArea mdi;
  mdi.setBackground(Qt::NoBrush);
  mdi.resize(200, 150);
  orn::InstallFonBackground(mdi.viewport(), tiles, nullptr);
  mdi.show();
  QVERIFY(QTest::qWaitForWindowExposed(&mdi));
  const QImage desk = Render(mdi.viewport());
  QCOMPARE(CountOf(desk, Qt::red) + CountOf(desk, Qt::green), desk.width() * desk.height());
}

void OrnCtlPaintedTest::PublishedDefaults() {
  // The form resources and the language and font passes reach these by
  // property name.
  TOrnLabel label;
  TOrnBitBtn bitBtn;
  TOrnButton button;
  TOrnFon fon;
  TOrnEdit edit;
  TOrnMaskEdit maskEdit;
  TOrnMemo memo;
  TOrnStringGrid grid;
  const struct {
    QObject* control;
    const char* property;
    QVariant value;
  } rows[] = {
      {&label, "LoadAs", QVariant::fromValue(OrnTypes::AsLabel)},
      {&label, "LabelStyle", QVariant::fromValue(OrnTypes::ls_None)},
      {&label, "ShadowInterval", 2},
      {&bitBtn, "LoadAs", QVariant::fromValue(OrnTypes::AsLabel)},
      {&bitBtn, "Kind", QVariant::fromValue(OrnTypes::bkCustom)},
      {&bitBtn, "Margin", -1},
      {&bitBtn, "Spacing", 4},
      {&bitBtn, "NumGlyphs", 1},
      {&bitBtn, "ShadowInterval", 2},
      {&button, "LabelStyle", QVariant::fromValue(OrnTypes::ls_None)},
      {&fon, "FonStyle", QVariant::fromValue(OrnTypes::fsCoverAll)},
      {&fon, "PaintStyle", QVariant::fromValue(OrnTypes::psFromBottomRight)},
      {&fon, "PaintPosStyle", QVariant::fromValue(OrnTypes::psCornerTR)},
      {&fon, "IntervalHoriz", 0},
      {&edit, "CharSetStyle", QVariant::fromValue(OrnTypes::cssAsEdit)},
      {&maskEdit, "CharSetStyle", QVariant::fromValue(OrnTypes::cssAsEdit)},
      {&memo, "CharSetStyle", QVariant::fromValue(OrnTypes::cssAsEdit)},
      {&grid, "CharSetStyle", QVariant::fromValue(OrnTypes::cssAsEdit)},
      {&grid, "AltFontCondition", QVariant::fromValue(OrnTypes::acNone)},
  };
  for (const auto& row : rows) {
    QVERIFY2(row.control->property(row.property) == row.value, row.property);
  }
  QCOMPARE(label.ShadowColor(), orn::SystemColor(label.palette(), orn::SysColor::BtnShadow));
  QCOMPARE(orn::Charset(&label), orn::kDefaultCharset);
  orn::SetCharset(&label, 186);
  QCOMPARE(orn::Charset(&label), 186);
}

QTEST_MAIN(OrnCtlPaintedTest)
#include "OrnCtlPaintedTest.moc"
