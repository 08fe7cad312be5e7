// Table-driven like the translation: one row per class, matched with
// QObject::inherits, first match wins. A slot names a font of the control:
// "Font" is the widget's own font, anything else a QFont property.
#include "FontManagement.h"

#include <QTabWidget>
#include <QVariant>
#include <QWidget>
#include <optional>
#include <vector>

#include "FrameworkState.h"
#include "LangComponents.h"
#include "TextUtil.h"

namespace orn {

namespace {

std::vector<std::string> SplitAt(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == separator) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

QFont FontOf(QObject* c, const char* slot) {
  if (qstrcmp(slot, "Font") == 0) return static_cast<QWidget*>(c)->font();
  return c->property(slot).value<QFont>();
}

void SetFontOf(QObject* c, const char* slot, const QFont& font) {
  if (qstrcmp(slot, "Font") == 0) {
    static_cast<QWidget*>(c)->setFont(font);
  } else if (c->property(slot).isValid()) {
    c->setProperty(slot, font);
  }
}

QByteArray CharsetProperty(const char* slot) {
  return qstrcmp(slot, "Font") == 0 ? QByteArray("Charset") : QByteArray(slot) + "Charset";
}

void SetCharset(QObject* c, const char* slot, int charset) { c->setProperty(CharsetProperty(slot), charset); }

// ---- font settings ---------------------------------------------------------

enum class Setting { Form, Grid, GridCapture };

const std::string& SettingText(Setting s) {
  const FrameworkValues& v = Framework().values;
  switch (s) {
    case Setting::Form:
      return v.fontForForm;
    case Setting::Grid:
      return v.fontForGrid;
    case Setting::GridCapture:
      return v.fontForGridCapture;
  }
  return v.fontForForm;
}

struct FontSlot {
  const char* slot;
  Setting setting;
};

struct FontRow {
  const char* className;
  std::vector<FontSlot> fonts;
  bool pages = false;  // every page of a page control as well
};

const std::vector<FontRow>& FontRows() {
  static const std::vector<FontRow> rows = {
      {"TOrnPageControl", {{"Font", Setting::Form}}, true},
      {"TOrnLookupCombo",
       {{"Font", Setting::Form}, {"LookTableFont", Setting::Grid}, {"LookTitleFont", Setting::GridCapture}}},
      {"TOrnLookList",
       {{"Font", Setting::Form}, {"LookTableFont", Setting::Grid}, {"LookTitleFont", Setting::GridCapture}}},
      {"TOrnStringGrid",
       {{"Font", Setting::Grid},
        {"ResultFont", Setting::Grid},
        {"AltFont", Setting::Grid},
        {"FixedFont", Setting::GridCapture}}},
      {"TOrnDBGrid", {{"Font", Setting::Grid}, {"TitleFont", Setting::GridCapture}}},
      {"TOrnListBox", {{"Font", Setting::Grid}}},
      {"TOrnDBMemo", {{"Font", Setting::Grid}}},
      {"TOrnMemo", {{"Font", Setting::Grid}}},
  };
  return rows;
}

// Ordinary in-house controls take Font For Form.
const char* const kFormFontClasses[] = {"TOrnEdit",       "TOrnCheckBox",       "TOrnRadioButton", "TOrnGroupBox",
                                        "TOrnRadioGroup", "TOrnLabel",          "TOrnBitBtn",      "TOrnComboBox",
                                        "TOrnTabControl", "TOrnTabbedNotebook", "TOrnDBEdit",      "TOrnDBText",
                                        "TOrnDBNComboBox"};

void ApplySetting(QObject* c, const char* slot, Setting setting) {
  const std::string& text = SettingText(setting);
  QFont font = FontOf(c, slot);
  const QString before = font.family();
  ApplyFontSpec(text, font);
  if (font.family() != before) SetFontOf(c, slot, font);
}

// ---- character sets --------------------------------------------------------

enum class Style { CharSetStyle3, LoadAs, CharSetStyle2, Label, Print };

struct CharsetRow {
  const char* className;
  Style style;
  std::vector<const char*> byStyle;     // fonts that take the style's set
  std::vector<const char*> labelFonts;  // fonts that take LabelCharset
  bool pages = false;
};

const std::vector<CharsetRow>& CharsetRows() {
  static const std::vector<CharsetRow> rows = {
      {"TOrnComboBox", Style::CharSetStyle2, {"Font"}, {}},
      {"TOrnDBMemo", Style::CharSetStyle2, {"Font"}, {}},
      {"TOrnEdit", Style::CharSetStyle3, {"Font"}, {}},
      {"TOrnListBox", Style::CharSetStyle3, {"Font"}, {}},
      {"TOrnMemo", Style::CharSetStyle3, {"Font"}, {}},
      {"TOrnDBEdit", Style::CharSetStyle3, {"Font"}, {}},
      {"TOrnDBNComboBox", Style::CharSetStyle3, {"Font"}, {}},
      {"TOrnPageControl", Style::LoadAs, {"Font"}, {}, true},
      {"TOrnTabbedNotebook", Style::LoadAs, {"Font", "TabFont"}, {}},
      {"TOrnCheckBox", Style::LoadAs, {"Font"}, {}},
      {"TOrnRadioButton", Style::LoadAs, {"Font"}, {}},
      {"TOrnBitBtn", Style::LoadAs, {"Font"}, {}},
      {"TOrnGroupBox", Style::LoadAs, {"Font"}, {}},
      {"TOrnRadioGroup", Style::LoadAs, {"Font"}, {}},
      {"TOrnLabel", Style::LoadAs, {"Font"}, {}},
      {"TOrnTabControl", Style::LoadAs, {"Font"}, {}},
      {"TOrnDBText", Style::LoadAs, {"Font"}, {}},
      {"TOrnLookupCombo", Style::CharSetStyle3, {"Font", "LookTableFont"}, {"LookTitleFont"}},
      {"TOrnLookList", Style::CharSetStyle3, {"Font", "LookTableFont"}, {"LookTitleFont", "TitleFont"}},
      {"TOrnStringGrid", Style::CharSetStyle3, {"Font", "ResultFont", "AltFont"}, {"FixedFont"}},
      {"TOrnDBGrid", Style::CharSetStyle3, {"Font", "ActiveRowFont"}, {"TitleFont"}},
      {"QStatusBar", Style::Label, {}, {"Font"}},
      {"TRepLabel", Style::Print, {"Font"}, {}},
      {"TRepMemo", Style::Print, {"Font"}, {}},
      {"TRepBand", Style::Print, {"Font"}, {}},
  };
  return rows;
}

// The set chosen by the control's style; nothing for a value out of range.
std::optional<int> StyleCharset(const QObject* c, Style style) {
  const FrameworkValues& v = Framework().values;
  const int sets[] = {v.labelCharset, v.editCharset, v.systemCharset};
  auto read = [c](const char* property) -> std::optional<int> {
    const QVariant value = c->property(property);
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!value.isValid() || !ok) return std::nullopt;
    return n;
  };
  switch (style) {
    case Style::CharSetStyle3:
    case Style::LoadAs: {
      const auto n = read(style == Style::LoadAs ? "LoadAs" : "CharSetStyle");
      if (!n || *n < 0 || *n > 2) return std::nullopt;
      return sets[*n];
    }
    case Style::CharSetStyle2: {
      const auto n = read("CharSetStyle");
      if (!n || *n < 0 || *n > 1) return std::nullopt;
      return *n == 0 ? v.editCharset : v.labelCharset;
    }
    case Style::Label:
      return v.labelCharset;
    case Style::Print:
      return v.printCharset;
  }
  return std::nullopt;
}

}  // namespace

QFont& ApplyFontSpec(const std::string& setting, QFont& font) {
  const std::vector<std::string> fields = SplitAt(setting + ":", ':');
  if (fields.size() < 2 || UpperAscii(fields[0]) != "FONT") return font;
  // A face name that is empty after trimming would leave the control with
  // no usable font; such a setting is treated like "Default".
  const std::string face = Trim(SplitAt(fields[1], ';').front());
  if (!face.empty()) font.setFamily(QString::fromStdString(face));
  return font;
}

void ApplyFontSettingsTo(QWidget* form) {
  ApplySetting(form, "Font", Setting::Form);
  for (QObject* c : OwnedComponents(form)) {
    if (!c->isWidgetType()) continue;
    const FontRow* match = nullptr;
    for (const FontRow& row : FontRows())
      if (c->inherits(row.className)) {
        match = &row;
        break;
      }
    if (match) {
      for (const FontSlot& s : match->fonts) ApplySetting(c, s.slot, s.setting);
      if (match->pages)
        for (int i = 0; i < static_cast<QTabWidget*>(c)->count(); ++i)
          ApplySetting(static_cast<QTabWidget*>(c)->widget(i), "Font", Setting::Form);
      continue;
    }
    for (const char* name : kFormFontClasses)
      if (c->inherits(name)) {
        ApplySetting(c, "Font", Setting::Form);
        break;
      }
  }
}

void ApplyCharsetsTo(QWidget* form) {
  const FrameworkValues& v = Framework().values;
  for (QObject* c : OwnedComponents(form)) {
    if (c->inherits("GradCaption")) {
      // The main window's gradient caption is an English title in Baltic.
      SetCharset(c, "Font", form->objectName() == QLatin1String("MainForm") ? 186 : v.labelCharset);
      continue;
    }
    for (const CharsetRow& row : CharsetRows()) {
      if (!c->inherits(row.className)) continue;
      if (const auto set = StyleCharset(c, row.style)) {
        for (const char* slot : row.byStyle) SetCharset(c, slot, *set);
        if (row.pages)
          for (int i = 0; i < static_cast<QTabWidget*>(c)->count(); ++i)
            SetCharset(static_cast<QTabWidget*>(c)->widget(i), "Font", *set);
      }
      for (const char* slot : row.labelFonts) SetCharset(c, slot, v.labelCharset);
      break;
    }
  }
}

int CharsetOf(const QObject* control, const char* fontProperty) {
  const QVariant v = control->property(CharsetProperty(fontProperty));
  return v.isValid() ? v.toInt() : 1;
}

}  // namespace orn
