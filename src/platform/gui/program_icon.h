#pragma once

class QPainter;

namespace gui {

// Paints the program's icon into a square of the given side at the painter's origin. The
// windows draw it at the sizes the window system asks for; the build writes the installed
// icon files with it.
void PaintProgramIcon(QPainter& painter, int size);

}  // namespace gui
