#include "QtDialogService.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "MessageDialog.h"
#include "Soobchen.h"

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string InitialPath(const orn::FileDialogRequest& r) {
  if (r.fileName.empty()) return r.initialDir;
  if (r.initialDir.empty()) return r.fileName;
  return r.initialDir + "/" + r.fileName;
}

std::optional<std::string> Chosen(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}
}  // namespace

QString QtFileFilter(const std::string& filter) {
  QStringList parts = Q(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    out << parts[i] + " (" + patterns + ")";
  }
  return out.join(";;");
}

bool QtDialogService::Question(const std::string& text, const std::string&, const std::string& noCaption) {
  QString extra;
  const int buttons = noCaption.empty() ? 0 : 6;
  return ShowMessageBox(QApplication::applicationDisplayName(), Q(text), extra, 2, 0, buttons) == orn::kMsgOk;
}

int QtDialogService::MessageBox(orn::MessageBoxRequest& r) {
  QString extra = Q(r.extra);
  int result = ShowMessageBox(Q(r.caption), Q(r.message), extra, r.iconIndex, r.defaultButton, r.buttons,
                              Q(r.okCaption), Q(r.cancelCaption));
  r.extra = extra.toStdString();
  return result;
}

int QtDialogService::MessageDialog(const std::string& message, const std::string& caption, orn::DialogType type,
                                   unsigned buttons) {
  return ::MessageDialog(Q(message), Q(caption), type, buttons);
}

int QtDialogService::Choice(const orn::ChoiceRequest& r) {
  QMessageBox box(QMessageBox::Question, Q(r.caption).isEmpty() ? QApplication::applicationDisplayName() : Q(r.caption),
                  Q(r.text), QMessageBox::NoButton, QApplication::activeWindow());
  std::vector<QPushButton*> buttons;
  for (const std::string& caption : r.buttons)
    buttons.push_back(box.addButton(orn::ButtonCaption(Q(caption)), QMessageBox::ActionRole));
  const auto count = static_cast<int>(buttons.size());
  if (r.defaultButton >= 0 && r.defaultButton < count) box.setDefaultButton(buttons[r.defaultButton]);
  if (r.cancelButton >= 0 && r.cancelButton < count) box.setEscapeButton(buttons[r.cancelButton]);
  box.exec();
  for (int i = 0; i < count; ++i)
    if (box.clickedButton() == buttons[i]) return i;
  return r.cancelButton;
}

std::optional<std::string> QtDialogService::Password(const std::string& caption, const std::string& prompt) {
  bool ok = false;
  QString text =
      QInputDialog::getText(QApplication::activeWindow(), Q(caption), Q(prompt), QLineEdit::Password, QString(), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

std::optional<std::string> QtDialogService::OpenFile(const orn::FileDialogRequest& r) {
  return Chosen(QFileDialog::getOpenFileName(QApplication::activeWindow(), Q(r.caption), Q(InitialPath(r)),
                                             QtFileFilter(r.filter)));
}

std::optional<std::string> QtDialogService::SaveFile(const orn::FileDialogRequest& r) {
  // The chooser asks before an existing file is replaced.
  return Chosen(QFileDialog::getSaveFileName(QApplication::activeWindow(), Q(r.caption), Q(InitialPath(r)),
                                             QtFileFilter(r.filter)));
}

std::optional<std::string> QtDialogService::ChooseDirectory(const std::string& caption, const std::string& start) {
  return Chosen(QFileDialog::getExistingDirectory(QApplication::activeWindow(), Q(caption), Q(start)));
}

void QtDialogService::ShowError(const std::string& text) {
  ::MessageDialog(Q(text), QString(), orn::DialogType::Error, orn::kBtnOK);
}
