#include "MessageDialog.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>

#include "TextLookups.h"

namespace orn {
QString ButtonCaption(const QString& name, const QString& fallback) {
  const std::string text = SystemText("ORNCB" + name.toStdString());
  if (!text.empty()) return QString::fromStdString(text);
  return fallback.isEmpty() ? name : fallback;
}
}  // namespace orn

QString MessageDialogCaption(const QString& caption, orn::DialogType type) {
  if (caption.trimmed().isEmpty()) return QApplication::applicationDisplayName();
  if (caption.toUpper() != "ORNCAPTION") return caption;
  switch (type) {
    case orn::DialogType::Warning:
      return orn::ButtonCaption("Warning", QString::fromUtf8("Brīdinājums"));
    case orn::DialogType::Error:
      return orn::ButtonCaption("Error", QString::fromUtf8("Kļūda"));
    case orn::DialogType::Information:
      return orn::ButtonCaption("Information", QString::fromUtf8("Paziņojums"));
    case orn::DialogType::Confirmation:
      return orn::ButtonCaption("Confirmation", QString::fromUtf8("Jautājums"));
    case orn::DialogType::Custom:
      break;
  }
  return QApplication::applicationDisplayName();
}

std::vector<MessageDialogButton> MessageDialogButtons(unsigned buttons, bool latvian) {
  struct Row {
    unsigned bit;
    const char* name;
    const char* latvianCaption;
    int result;
  };
  static const Row kRows[] = {
      {orn::kBtnYes, "Yes", "&Jā", orn::kMrYes},
      {orn::kBtnYesToAll, "Yes to all", "Jā &visiem", orn::kMrYesToAll},
      {orn::kBtnNo, "No", "&Nē", orn::kMrNo},
      {orn::kBtnNoToAll, "No to all", "Nē v&isiem", orn::kMrNoToAll},
      {orn::kBtnKeepBoth, "Keep both", "Paturēt a&bus", orn::kMrKeepBoth},
      {orn::kBtnOK, "OK", "&OK", orn::kMrOk},
      {orn::kBtnCancel, "Cancel", "At&celt", orn::kMrCancel},
      {orn::kBtnAbort, "Abort", "Pār&traukt", orn::kMrAbort},
      {orn::kBtnRetry, "Retry", "&Atkārtot", orn::kMrRetry},
      {orn::kBtnIgnore, "Ignore", "&Ignorēt", orn::kMrIgnore},
      {orn::kBtnAll, "All", "&Visus", orn::kMrAll},
      {orn::kBtnHelp, "Help", "&Palīdzība", orn::kMrNone},
  };
  std::vector<MessageDialogButton> list;
  for (const Row& row : kRows)
    if (buttons & row.bit)
      list.push_back({row.name,
                      orn::ButtonCaption(row.name, latvian ? QString::fromUtf8(row.latvianCaption) : QString(row.name)),
                      row.result});
  return list;
}

namespace {

QStyle::StandardPixmap IconOf(orn::DialogType type) {
  switch (type) {
    case orn::DialogType::Warning:
      return QStyle::SP_MessageBoxWarning;
    case orn::DialogType::Error:
      return QStyle::SP_MessageBoxCritical;
    case orn::DialogType::Information:
      return QStyle::SP_MessageBoxInformation;
    default:
      return QStyle::SP_MessageBoxQuestion;
  }
}

// Escape answers as the Cancel button: Cancel, else No, else OK.
class RunTimeDialog : public QDialog {
 public:
  int escapeResult = orn::kMrCancel;
  void reject() override { done(escapeResult); }
};

}  // namespace

std::unique_ptr<QDialog> CreateMessageDialog(const QString& message, const QString& caption, orn::DialogType type,
                                             unsigned buttons, int left, int top) {
  auto dialog = std::make_unique<RunTimeDialog>();
  dialog->setObjectName("MessageDialog");
  dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint);
  dialog->setWindowTitle(MessageDialogCaption(caption, type));

  // Dialog units: a quarter of the average letter width, an eighth of the
  // font height.
  const QFontMetrics fm(dialog->font());
  const QString letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const int avg = (fm.horizontalAdvance(letters) + 26) / 52;
  auto hx = [&](int units) { return units * avg / 4; };
  auto vy = [&](int units) { return units * fm.height() / 8; };
  const int margin = hx(8), vmargin = vy(8), spacing = hx(10), vspacing = vy(10);
  const int buttonW = hx(50), buttonH = vy(14), gap = hx(4);

  QScreen* screen = QGuiApplication::primaryScreen();
  const int maxTextWidth = screen ? screen->geometry().width() / 2 : 640;
  QRect textRect = fm.boundingRect(QRect(0, 0, maxTextWidth, 0), Qt::TextWordWrap | Qt::AlignLeft, message);

  int textLeft = margin, iconH = 0;
  if (type != orn::DialogType::Custom) {
    auto* icon = new QLabel(dialog.get());
    icon->setObjectName("Image");
    icon->setPixmap(dialog->style()->standardIcon(IconOf(type)).pixmap(32, 32));
    icon->setGeometry(margin, vmargin, 32, 32);
    textLeft += 32 + spacing;
    iconH = 32;
  }
  auto* text = new QLabel(message, dialog.get());
  text->setObjectName("Message");
  text->setWordWrap(true);
  text->setGeometry(textLeft, vmargin, textRect.width() + 2, textRect.height());

  std::vector<MessageDialogButton> list = MessageDialogButtons(buttons, !caption.trimmed().isEmpty());
  const int rowWidth = list.empty() ? 0 : static_cast<int>(list.size()) * buttonW + (int(list.size()) - 1) * gap;
  const int width = qMax(textLeft + textRect.width() + 2, margin + rowWidth) + margin;
  const int buttonTop = vmargin + qMax(iconH, textRect.height()) + vspacing;
  int x = (width - rowWidth) / 2;

  auto has = [&](const char* name) {
    return std::any_of(list.begin(), list.end(), [&](const MessageDialogButton& b) { return b.name == name; });
  };
  const char* defaultName = has("OK") ? "OK" : has("Yes") ? "Yes" : "Retry";
  const char* cancelName = has("Cancel") ? "Cancel" : has("No") ? "No" : "OK";
  for (const MessageDialogButton& b : list) {
    auto* button = new QPushButton(b.caption, dialog.get());
    button->setObjectName(b.name);
    button->setGeometry(x, buttonTop, buttonW, buttonH);
    x += buttonW + gap;
    if (b.name == defaultName) {
      button->setDefault(true);
      button->setFocus();
    }
    if (b.name == cancelName) dialog->escapeResult = b.modalResult;
    const int result = b.modalResult;
    if (result != orn::kMrNone)
      QObject::connect(button, &QPushButton::clicked, dialog.get(), [d = dialog.get(), result] { d->done(result); });
  }
  dialog->setFixedSize(width, buttonTop + buttonH + vmargin);
  if (left >= 0 && top >= 0) {
    dialog->move(left, top);
  } else if (screen) {
    dialog->move(screen->geometry().center() - dialog->rect().center());
  }
  return dialog;
}

int MessageDialog(const QString& message, const QString& caption, orn::DialogType type, unsigned buttons, int, int left,
                  int top) {
  std::unique_ptr<QDialog> dialog = CreateMessageDialog(message, caption, type, buttons, left, top);
  return dialog->exec();
}
