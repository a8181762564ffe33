#pragma once

namespace gui::layer {

// Reading the system's font configuration is the longest single step of a start. It runs on
// a second thread while the application object is made and the program reads its data; the
// first use of a font on the main thread waits for it instead of doing the same work again.
void BeginFontWarmUp();  // before the application object exists
void ApplicationMade();  // after: the thread goes on to fill the toolkit's font list
// Waits for the thread and makes sure the faces the program carries are in; cheap once it
// has been waited for.
void FinishFontWarmUp();

}  // namespace gui::layer
