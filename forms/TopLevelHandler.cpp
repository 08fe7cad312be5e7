#include "TopLevelHandler.h"

#include <exception>

#include "DialogService.h"

namespace orn {

bool Guarded(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const std::exception& e) {
    Dialogs().ShowError(e.what());
  } catch (...) {
    Dialogs().ShowError("Unknown error");
  }
  return false;
}

}  // namespace orn

bool TOrnApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  orn::Guarded([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}
