// One row per component class: how ChangeLanguage translates it and how
// SaveCompToINI collects its texts. The first row whose class the component
// inherits applies, so more specific classes stand above their bases. Every
// control (not menus) also has its hint translated under "Hint_" + Name.
#include "LangTranslation.h"

#include <QAbstractItemView>
#include <QAction>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>

#include "FrameworkState.h"
#include "GradCaption.h"
#include "LangComponents.h"
#include "LanguageDictionary.h"
#include "TextUtil.h"

namespace orn {

namespace {

std::string Key(const QObject* object) { return object->objectName().toStdString(); }
std::string ItemKey(const QObject* object, int i) { return Key(object) + "_" + std::to_string(i); }

// Calls `apply` with the translation of `key` when there is one.
template <typename Apply>
void IfTranslated(TextKind kind, const std::string& key, Apply apply) {
  const std::string text = TextOf(kind, key);
  if (!IsBlank(text)) apply(QString::fromStdString(text));
}

// Adds texts under keys that are still missing.
class Collector {
 public:
  explicit Collector(LanguageDictionary& dictionary) : dictionary_(dictionary) {}
  void Add(const std::string& key, const QString& text) {
    if (IsBlank(text) || dictionary_.HasKey(key)) return;
    dictionary_.AddTextEntry(key, text.toStdString());
  }

 private:
  LanguageDictionary& dictionary_;
};

struct Context {
  QWidget* form;
};

// Captions of labels, group boxes, check boxes, radio buttons and buttons,
// in-house or standard: by LoadAs when the control has one, else as labels.
void TranslateCaption(QObject* c, const Context&) {
  IfTranslated(LoadAsKind(c), Key(c), [c](const QString& t) { SetCaptionOf(c, t); });
}
void CollectCaption(QObject* c, Collector& out) { out.Add(Key(c), CaptionOf(c)); }

void TranslateRadioGroup(QObject* c, const Context& ctx) {
  TranslateCaption(c, ctx);
  QStringList items = c->property("Items").toStringList();
  bool changed = false;
  for (int i = 0; i < items.size(); ++i)
    IfTranslated(LoadAsKind(c), ItemKey(c, i), [&](const QString& t) {
      items[i] = t;
      changed = true;
    });
  if (changed) c->setProperty("Items", items);
}
void CollectRadioGroup(QObject* c, Collector& out) {
  CollectCaption(c, out);
  const QStringList items = c->property("Items").toStringList();
  for (int i = 0; i < items.size(); ++i) out.Add(ItemKey(c, i), items[i]);
}

// TOrnTabControl keeps its tabs as a list property.
void TranslateTabList(QObject* c, const Context&) {
  QStringList tabs = c->property("Tabs").toStringList();
  bool changed = false;
  for (int i = 0; i < tabs.size(); ++i)
    IfTranslated(LoadAsKind(c), ItemKey(c, i), [&](const QString& t) {
      tabs[i] = t;
      changed = true;
    });
  if (changed) c->setProperty("Tabs", tabs);
}
void CollectTabList(QObject* c, Collector& out) {
  const QStringList tabs = c->property("Tabs").toStringList();
  for (int i = 0; i < tabs.size(); ++i) out.Add(ItemKey(c, i), tabs[i]);
}

// Page controls: each page translated under the page's own Name.
void TranslatePages(QTabWidget* tabs, TextKind kind) {
  for (int i = 0; i < tabs->count(); ++i) {
    QWidget* page = tabs->widget(i);
    IfTranslated(kind, Key(page), [&](const QString& t) { tabs->setTabText(i, t); });
  }
}
void TranslateOrnPageControl(QObject* c, const Context&) {
  const bool asSystem = UpperAscii(ParamValue("PAGE CONTROL")) == "AS SYSTEM";
  TranslatePages(static_cast<QTabWidget*>(c), asSystem ? TextKind::System : LoadAsKind(c));
}
void TranslatePageControl(QObject* c, const Context&) { TranslatePages(static_cast<QTabWidget*>(c), TextKind::Label); }
void CollectPages(QObject* c, Collector& out) {
  auto* tabs = static_cast<QTabWidget*>(c);
  for (int i = 0; i < tabs->count(); ++i) out.Add(Key(tabs->widget(i)), tabs->tabText(i));
}

// Tabbed notebooks: pages by number.
void TranslateNotebook(QObject* c, const Context&) {
  auto* tabs = static_cast<QTabWidget*>(c);
  for (int i = 0; i < tabs->count(); ++i)
    IfTranslated(LoadAsKind(c), ItemKey(c, i), [&](const QString& t) { tabs->setTabText(i, t); });
}
void CollectNotebook(QObject* c, Collector& out) {
  auto* tabs = static_cast<QTabWidget*>(c);
  for (int i = 0; i < tabs->count(); ++i) out.Add(ItemKey(c, i), tabs->tabText(i));
}

// A tab row on its own (TTabControl).
void TranslateTabBar(QObject* c, const Context&) {
  auto* bar = static_cast<QTabBar*>(c);
  for (int i = 0; i < bar->count(); ++i)
    IfTranslated(TextKind::Label, ItemKey(c, i), [&](const QString& t) { bar->setTabText(i, t); });
}
void CollectTabBar(QObject* c, Collector& out) {
  auto* bar = static_cast<QTabBar*>(c);
  for (int i = 0; i < bar->count(); ++i) out.Add(ItemKey(c, i), bar->tabText(i));
}

// List boxes take their items from the dictionary and grow to as many as it
// has; the walk stops at the first item without a translation.
void TranslateListBox(QObject* c, const Context&) {
  auto* list = static_cast<QListWidget*>(c);
  const TextKind kind = LoadAsKind(c, TextKind::Edit);
  for (int i = 0; i <= 1000; ++i) {
    const std::string text = TextOf(kind, ItemKey(c, i));
    if (IsBlank(text)) break;
    if (i < list->count()) {
      list->item(i)->setText(QString::fromStdString(text));
    } else {
      list->addItem(QString::fromStdString(text));
    }
  }
}
void CollectListBox(QObject* c, Collector& out) {
  auto* list = static_cast<QListWidget*>(c);
  for (int i = 0; i < list->count(); ++i) out.Add(ItemKey(c, i), list->item(i)->text());
}

// Grid column titles, keyed like a data grid's columns by their field name
// (the header item's user data); a column without one goes by Name_i.
std::string ColumnKey(QTableWidget* grid, int column) {
  QTableWidgetItem* header = grid->horizontalHeaderItem(column);
  const QString field = header ? header->data(Qt::UserRole).toString() : QString();
  return field.isEmpty() ? ItemKey(grid, column) : field.toStdString();
}
void TranslateGrid(QObject* c, const Context&) {
  auto* grid = static_cast<QTableWidget*>(c);
  for (int col = 0; col < grid->columnCount(); ++col)
    IfTranslated(TextKind::Label, ColumnKey(grid, col), [&](const QString& t) {
      QTableWidgetItem* header = grid->horizontalHeaderItem(col);
      if (!header) grid->setHorizontalHeaderItem(col, header = new QTableWidgetItem);
      header->setText(t);
    });
}
void CollectGrid(QObject* c, Collector& out) {
  auto* grid = static_cast<QTableWidget*>(c);
  for (int col = 0; col < grid->columnCount(); ++col)
    if (QTableWidgetItem* header = grid->horizontalHeaderItem(col)) out.Add(ColumnKey(grid, col), header->text());
}

// A menu item's Name: a submenu is named by its menu.
std::string ItemName(const QAction* action) { return action->menu() ? Key(action->menu()) : Key(action); }
void TranslateMenuItems(const QList<QAction*>& actions, int levels) {
  for (QAction* action : actions) {
    if (action->isSeparator()) continue;
    const std::string name = ItemName(action);
    if (!name.empty()) IfTranslated(TextKind::System, name, [action](const QString& t) { action->setText(t); });
    if (levels > 1 && action->menu()) TranslateMenuItems(action->menu()->actions(), levels - 1);
  }
}
void CollectMenuItems(const QList<QAction*>& actions, int levels, Collector& out) {
  for (QAction* action : actions) {
    if (action->isSeparator()) continue;
    const std::string name = ItemName(action);
    if (!name.empty()) out.Add(name, action->text());
    if (levels > 1 && action->menu()) CollectMenuItems(action->menu()->actions(), levels - 1, out);
  }
}
void TranslateMainMenu(QObject* c, const Context&) { TranslateMenuItems(static_cast<QMenuBar*>(c)->actions(), 3); }
void CollectMainMenu(QObject* c, Collector& out) { CollectMenuItems(static_cast<QMenuBar*>(c)->actions(), 2, out); }

// A menu under a menu bar or another menu belongs to that main menu; only a
// popup menu of its own is translated here, its top level only.
bool IsPopupMenu(const QObject* c) {
  const QObject* parent = c->parent();
  return !(parent && (parent->inherits("QMenuBar") || parent->inherits("QMenu")));
}
void TranslatePopupMenu(QObject* c, const Context&) {
  if (IsPopupMenu(c)) TranslateMenuItems(static_cast<QMenu*>(c)->actions(), 1);
}
void CollectPopupMenu(QObject* c, Collector& out) {
  if (IsPopupMenu(c)) CollectMenuItems(static_cast<QMenu*>(c)->actions(), 1, out);
}

// Status-bar panels are its labels, in the order they were placed.
QList<QLabel*> Panels(QObject* c) { return c->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly); }
void TranslateStatusBar(QObject* c, const Context&) {
  const QList<QLabel*> panels = Panels(c);
  for (int i = 0; i < panels.size(); ++i)
    IfTranslated(TextKind::Label, ItemKey(c, i), [&](const QString& t) { panels[i]->setText(t); });
}
void CollectStatusBar(QObject* c, Collector& out) {
  const QList<QLabel*> panels = Panels(c);
  for (int i = 0; i < panels.size(); ++i) out.Add(ItemKey(c, i), panels[i]->text());
}

void TranslateFileDialog(QObject* c, const Context&) {
  IfTranslated(TextKind::System, Key(c), [c](const QString& t) { static_cast<QWidget*>(c)->setWindowTitle(t); });
}

// The gradient caption repeats the window's caption, except on the main
// window, whose gradient caption has a text of its own.
void TranslateGradCaption(QObject* c, const Context& ctx) {
  if (UpperAscii(Key(ctx.form)) == "MAINFORM") return;
  auto* caption = static_cast<GradCaption*>(c);
  caption->ClearCaptions();
  caption->AddCaption(ctx.form->windowTitle());
}

// Lookup lists and combos show a display label.
void TranslateLookDispLabel(QObject* c, const Context&) {
  IfTranslated(TextKind::Label, Key(c), [c](const QString& t) { c->setProperty("LookDispLabel", t); });
}
void CollectLookDispLabel(QObject* c, Collector& out) { out.Add(Key(c), c->property("LookDispLabel").toString()); }

// The combo boxes with list files refill their message list from the
// system texts themselves.
void TranslateComboMessages(QObject* c, const Context&) { QMetaObject::invokeMethod(c, "ChangeLanguage"); }

struct Row {
  const char* className;
  void (*translate)(QObject*, const Context&);
  void (*collect)(QObject*, Collector&);
};

const Row kRows[] = {
    {"GradCaption", TranslateGradCaption, nullptr},
    {"TOrnRadioGroup", TranslateRadioGroup, CollectRadioGroup},
    {"TOrnTabControl", TranslateTabList, CollectTabList},
    {"TOrnPageControl", TranslateOrnPageControl, CollectPages},
    {"TOrnTabbedNotebook", TranslateNotebook, CollectNotebook},
    {"QTabWidget", TranslatePageControl, CollectPages},
    {"QTabBar", TranslateTabBar, CollectTabBar},
    {"TOrnCheckBox", TranslateCaption, CollectCaption},
    {"TOrnRadioButton", TranslateCaption, CollectCaption},
    {"QLabel", TranslateCaption, CollectCaption},
    {"QGroupBox", TranslateCaption, CollectCaption},
    {"QAbstractButton", TranslateCaption, CollectCaption},
    {"QListWidget", TranslateListBox, CollectListBox},
    {"TOrnStringGrid", nullptr, nullptr},  // its cells are data, not texts
    {"QTableWidget", TranslateGrid, CollectGrid},
    {"QMenuBar", TranslateMainMenu, CollectMainMenu},
    {"QMenu", TranslatePopupMenu, CollectPopupMenu},
    {"QStatusBar", TranslateStatusBar, CollectStatusBar},
    {"QFileDialog", TranslateFileDialog, nullptr},
    {"TOrnLookupCombo", TranslateLookDispLabel, CollectLookDispLabel},
    {"TOrnLookList", TranslateLookDispLabel, CollectLookDispLabel},
    {"TOrnComboBox", TranslateComboMessages, nullptr},
    {"TOrnDBNComboBox", TranslateComboMessages, nullptr},
};

const Row* RowFor(const QObject* component) {
  for (const Row& row : kRows)
    if (component->inherits(row.className)) return &row;
  return nullptr;
}

// Controls have hints; menus (items of the design) do not.
bool HasHint(const QObject* component) { return component->isWidgetType() && !component->inherits("QMenu"); }

}  // namespace

QString StripAccelerator(const QString& text) {
  QString plain;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

namespace {

// Names a screen reader reads. A list or grid is named by the label that is
// its buddy (item views do not look for one themselves); a control whose
// name is not on the screen has it under "Acc_" + Name.
void NameForScreenReaders(QWidget* form) {
  for (QLabel* label : form->findChildren<QLabel*>())
    if (auto* view = qobject_cast<QAbstractItemView*>(label->buddy())) {
      QString name = StripAccelerator(label->text()).trimmed();
      if (name.endsWith(':')) name.chop(1);
      view->setAccessibleName(name);
    }
  for (QWidget* widget : form->findChildren<QWidget*>())
    IfTranslated(TextKind::System, "Acc_" + Key(widget), [widget](const QString& t) { widget->setAccessibleName(t); });
}

}  // namespace

void TranslateForm(QWidget* form) {
  const std::string name = Key(form);
  IfTranslated(TextKind::Label, name, [form](const QString& t) { form->setWindowTitle(t); });
  IfTranslated(TextKind::System, "Hint_" + name, [form](const QString& t) { form->setToolTip(t); });
  const Context ctx{form};
  for (QObject* component : OwnedComponents(form)) {
    if (HasHint(component))
      IfTranslated(TextKind::System, "Hint_" + Key(component),
                   [component](const QString& t) { SetHintOf(component, t); });
    if (const Row* row = RowFor(component); row && row->translate) row->translate(component, ctx);
  }
  NameForScreenReaders(form);
}

void CollectFormTexts(QWidget* form, LanguageDictionary& dictionary) {
  dictionary.InsertBuiltInEntries();
  Collector out(dictionary);
  const std::string name = Key(form);
  out.Add(name, form->windowTitle());
  out.Add("Hint_" + name, form->toolTip());
  for (QObject* component : OwnedComponents(form)) {
    if (HasHint(component)) out.Add("Hint_" + Key(component), HintOf(component));
    if (const Row* row = RowFor(component); row && row->collect) row->collect(component, out);
  }
}

}  // namespace orn
