#pragma once

// The faces the program carries inside itself, for systems that lack them: the windows are
// laid out for Arial's metrics, which Liberation Sans has; a narrower stand-in would cut
// their texts.

namespace gui {

// Makes each carried face the system lacks available to the program's fonts, once. Does
// nothing before the application object exists; safe from any thread and to call again. The
// print layer may call it before it chooses its faces.
void EnsureCarriedFonts();

}  // namespace gui
