// Plain edit, mask edit and memo that carry the character-set choice of
// their text (CharSetStyle) for the font pass.
#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>

#include "OrnTypes.h"

class TOrnEdit : public QLineEdit {
  Q_OBJECT
  Q_PROPERTY(QString Text READ text WRITE setText)
  Q_PROPERTY(OrnTypes::TCharSetStyle3 CharSetStyle READ CharSetStyle WRITE SetCharSetStyle)
 public:
  explicit TOrnEdit(QWidget* parent = nullptr) : QLineEdit(parent) {}
  TCharSetStyle3 CharSetStyle() const { return charSetStyle_; }
  void SetCharSetStyle(TCharSetStyle3 style) { charSetStyle_ = style; }

 private:
  TCharSetStyle3 charSetStyle_ = OrnTypes::cssAsEdit;
};

// The edit mask uses Qt's input-mask notation.
class TOrnMaskEdit : public TOrnEdit {
  Q_OBJECT
  Q_PROPERTY(QString EditMask READ inputMask WRITE setInputMask)
 public:
  explicit TOrnMaskEdit(QWidget* parent = nullptr) : TOrnEdit(parent) {}
};

class TOrnMemo : public QPlainTextEdit {
  Q_OBJECT
  Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
  Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
  Q_PROPERTY(OrnTypes::TCharSetStyle3 CharSetStyle READ CharSetStyle WRITE SetCharSetStyle)
 public:
  explicit TOrnMemo(QWidget* parent = nullptr) : QPlainTextEdit(parent) {}
  QStringList Lines() const;
  void SetLines(const QStringList& lines) { setPlainText(lines.join(QLatin1Char('\n'))); }
  bool WordWrap() const { return lineWrapMode() != NoWrap; }
  void SetWordWrap(bool wrap) { setLineWrapMode(wrap ? WidgetWidth : NoWrap); }
  TCharSetStyle3 CharSetStyle() const { return charSetStyle_; }
  void SetCharSetStyle(TCharSetStyle3 style) { charSetStyle_ = style; }

 private:
  TCharSetStyle3 charSetStyle_ = OrnTypes::cssAsEdit;
};
