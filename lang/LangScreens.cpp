// Pictures of the main window in each language of the shipped dictionary,
// and the list of the window's texts that the dictionary would collect.
//
//   orn_lang_screens --screens DIR     writes DIR/main-<n>.png for language n
//   orn_lang_screens --collect FILE    writes the texts the main window and
//                                      the question window would add to an
//                                      empty dictionary
//
// Run it from a scratch directory: the main window writes Params.ini there.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTimer>
#include <cstdio>

#include "FileSystem.h"
#include "FrameworkState.h"
#include "LangTranslation.h"
#include "LanguageDictionary.h"
#include "MainUnit.h"
#include "UnitMessanger.h"

namespace {

// Each picture is of a fresh start in that language, as a user who chose it
// sees the window the next time; the language count is that of the chooser.
int Screens(const QString& dir) {
  QDir().mkpath(dir);
  int languages = 1;
  for (int i = 0; i < languages; ++i) {
    const std::string n = std::to_string(i + 1);
    orn::WriteFileAtomically("Params.ini", "LANGUAGE=" + n + "\r\nSYSLANGUAGE=" + n + "\r\nHELPLANGUAGE=" + n + "\r\n");
    TMainForm form({});
    form.show();
    for (int k = 0; k < 20; ++k) QApplication::processEvents();
    if (auto* chooser = form.findChild<QComboBox*>("cbLabelLang")) languages = chooser->count();
    const QString file = QDir(dir).filePath(QString("main-%1.png").arg(i + 1));
    if (!form.grab().save(file)) return 1;
    std::printf("%s\n", qPrintable(file));
  }
  return 0;
}

int Collect(const std::string& file) {
  TMainForm form({});
  TfrmMessager messager;
  orn::LanguageDictionary dictionary;
  orn::CollectFormTexts(&form, dictionary);
  orn::CollectFormTexts(&messager, dictionary);
  std::string error;
  if (!dictionary.Save(file, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() == 3 && args[1] == "--screens") return Screens(args[2]);
  if (args.size() == 3 && args[1] == "--collect") return Collect(args[2].toStdString());
  std::fprintf(stderr, "usage: orn_lang_screens --screens DIR | --collect FILE\n");
  return 2;
}
