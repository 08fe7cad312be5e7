// TFormA, the About window: what the archiver is for, that its maker does
// not answer for the correctness of archived information, the version, and
// the project's home page and e-mail address, opened by the desktop's URL
// handler. The links are underlined while the mouse is over them.
#pragma once

#include <QString>

#include "OrnForma.h"

class TOrnButton;
class TOrnLabel;

class TFormA : public TOrnForm {
  Q_OBJECT

 public:
  explicit TFormA(QWidget* parent = nullptr);

  static QString HomePage();
  static QString MailAddress();

  void LOKBUClick() { accept(); }
  void HPClick();
  void ATClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OpenLink(const QString& url);

  TOrnLabel* hp_;
  TOrnLabel* at_;
  TOrnLabel* msgNoLink_;
  TOrnButton* lokbu_;
};
