#pragma once

class QWidget;

namespace gui::layer {

// Selects the characters from start up to end (-1: the end) in a text box; a start of -1
// leaves nothing selected and the caret where it was.
void SelectInTextBox(QWidget* widget, int start, int end);

}  // namespace gui::layer
