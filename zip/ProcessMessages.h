// The "let pending window messages run" seam. The engine calls it from every
// library callback so that windows repaint and may set Cancel during a long
// job; the Qt layer installs its event processing here, the core does nothing.
#pragma once

#include <functional>

namespace orn {

void SetProcessMessagesHook(std::function<void()> hook);
void ProcessMessages();

}  // namespace orn
