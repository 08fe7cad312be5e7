// Group box, tab control, page control and tabbed notebook with the
// language kind of their texts. The page control draws its own tabs: the
// active tab's text in blue, and text turned upright along tabs on the left.
#pragma once

#include <QGroupBox>
#include <QTabBar>
#include <QTabWidget>

#include "OrnTypes.h"

class TOrnGroupBox : public QGroupBox {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(OrnTypes::TLoadAs LoadAs READ LoadAs WRITE SetLoadAs)
 public:
  explicit TOrnGroupBox(QWidget* parent = nullptr) : QGroupBox(parent) {}
  QString Caption() const { return title(); }
  void SetCaption(const QString& caption) { setTitle(caption); }
  TLoadAs LoadAs() const { return loadAs_; }
  void SetLoadAs(TLoadAs loadAs) { loadAs_ = loadAs; }

 private:
  TLoadAs loadAs_ = OrnTypes::AsLabel;
};

// A row of tabs over one client area: the window changes what the area shows
// when the tab changes. Children go into the area (DisplayRect); a layout set
// on the control keeps clear of the tabs.
class TOrnTabControl : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QStringList Tabs READ Tabs WRITE SetTabs)
  Q_PROPERTY(int TabIndex READ TabIndex WRITE SetTabIndex NOTIFY Change)
  Q_PROPERTY(OrnTypes::TLoadAs LoadAs READ LoadAs WRITE SetLoadAs)
 public:
  explicit TOrnTabControl(QWidget* parent = nullptr);
  QStringList Tabs() const;
  void SetTabs(const QStringList& tabs);
  int TabIndex() const;
  void SetTabIndex(int index);
  TLoadAs LoadAs() const { return loadAs_; }
  void SetLoadAs(TLoadAs loadAs) { loadAs_ = loadAs; }
  QTabBar* TabBar() const { return tabBar_; }
  QRect DisplayRect() const;
  QSize sizeHint() const override;

 signals:
  void Change(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void PlaceTabs();
  QTabBar* tabBar_;
  TLoadAs loadAs_ = OrnTypes::AsLabel;
};

// The tab row of TOrnPageControl: the style draws the tab shapes, the bar
// draws the texts at the places the page control always used.
class TOrnPageTabBar : public QTabBar {
  Q_OBJECT
 public:
  explicit TOrnPageTabBar(QWidget* parent = nullptr) : QTabBar(parent) {}
  void SetFlatButtons(bool flat);
  bool FlatButtons() const { return flatButtons_; }
  // Where the text of tab `index` starts: top-left of the text for
  // horizontal text, the bottom-left foot of upright text on left tabs.
  QPoint TextOrigin(int index) const;
  bool IsLeftSide() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  QSize tabSizeHint(int index) const override;

 private:
  bool flatButtons_ = false;
};

class TOrnPageControl : public QTabWidget {
  Q_OBJECT
  Q_PROPERTY(OrnTypes::TLoadAs LoadAs READ LoadAs WRITE SetLoadAs)
  Q_PROPERTY(bool FlatButtons READ FlatButtons WRITE SetFlatButtons)
 public:
  explicit TOrnPageControl(QWidget* parent = nullptr);
  TLoadAs LoadAs() const { return loadAs_; }
  void SetLoadAs(TLoadAs loadAs) { loadAs_ = loadAs; }
  bool FlatButtons() const { return bar_->FlatButtons(); }
  void SetFlatButtons(bool flat);
  TOrnPageTabBar* PageTabBar() const { return bar_; }
  // The pages in tab order; a page's Name (objectName) keys its caption.
  QList<QWidget*> Pages() const;

 private:
  TOrnPageTabBar* bar_;
  TLoadAs loadAs_ = OrnTypes::AsLabel;
};

class TOrnTabbedNotebook : public QTabWidget {
  Q_OBJECT
  Q_PROPERTY(OrnTypes::TLoadAs LoadAs READ LoadAs WRITE SetLoadAs)
  Q_PROPERTY(QFont TabFont READ TabFont WRITE SetTabFont)
 public:
  explicit TOrnTabbedNotebook(QWidget* parent = nullptr) : QTabWidget(parent) {}
  TLoadAs LoadAs() const { return loadAs_; }
  void SetLoadAs(TLoadAs loadAs) { loadAs_ = loadAs; }
  QFont TabFont() const { return tabBar()->font(); }
  void SetTabFont(const QFont& font) { tabBar()->setFont(font); }

 private:
  TLoadAs loadAs_ = OrnTypes::AsLabel;
};
