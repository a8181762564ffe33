#pragma once

#include <string>

namespace gui {

// Names a control for screen readers where no label beside or above it names it: a box with
// no label of its own, a list whose window holds several. The name replaces the one the
// toolkit gives it when its window is shown.
void SetControlName(const std::string& form, int id, const std::string& name);

}  // namespace gui
