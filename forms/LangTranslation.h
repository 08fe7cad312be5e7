// Run-time translation of a window and its reverse, the collection of the
// window's untranslated texts into the dictionary. Both walk the window's
// components once and apply the row of the component's class; the rows are
// one table in LangTranslation.cpp.
#pragma once

#include <QString>

class QWidget;

namespace orn {

class LanguageDictionary;

// Replaces the window's caption, hint and every component's texts by their
// translations; a key without a (non-blank) translation keeps its text.
void TranslateForm(QWidget* form);

// "&Restore" -> "Restore", "&&" -> "&": a caption as a screen reader or a
// sentence shows it.
QString StripAccelerator(const QString& text);

// Adds the built-in entries and every non-blank text of the window whose key
// is missing to `dictionary`. Texts are only added, never changed.
void CollectFormTexts(QWidget* form, LanguageDictionary& dictionary);

}  // namespace orn
