// What assistive technology learns about the in-house controls. The check
// box and radio button are panels of parts (a mark, a caption label, a
// hidden focus holder); to a screen reader each is one check box or radio
// button with the caption as its name and the mark as its state.
#pragma once

namespace orn {

// Installs the accessibility factory once per process; the controls call it
// when they are made.
void InstallOrnAccessibility();

}  // namespace orn
