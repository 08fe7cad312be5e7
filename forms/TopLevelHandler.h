// The top-level handler: an error that nothing else catches is shown to the
// person at the screen (standard error when there is nobody) and the program
// goes on. Event handlers run through Guarded so that no exception crosses
// Qt's event dispatch; TOrnApplication catches whatever still gets through.
#pragma once

#include <QApplication>
#include <functional>

namespace orn {

// Runs `action`; an exception is shown through Dialogs().ShowError. Returns
// false when `action` threw.
bool Guarded(const std::function<void()>& action);

}  // namespace orn

class TOrnApplication : public QApplication {
 public:
  TOrnApplication(int& argc, char** argv) : QApplication(argc, argv) {}
  bool notify(QObject* receiver, QEvent* event) override;
};
