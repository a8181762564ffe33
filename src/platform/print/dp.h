#pragma once

// The program's view of its print library: a report is one document, opened, filled page by
// page and ended in a preview window or on the printer. Coordinates are inches from the
// paper's top-left corner, y growing downwards; pages are laid out to fit both portrait US
// Letter and A4, and printed on the printer's own paper. The y of a text is its base line. Texts
// are UTF-8. Every call after dpStartDoc takes the document number; a number that names no open
// document makes the call do nothing and return 0.

#include <functional>
#include <memory>
#include <string>

#include "platform/print/document.h"

namespace print {

// Font style codes: plain labels, field values, the page title.
constexpr int STYLE_LABEL = 16;  // regular
constexpr int STYLE_VALUE = 17;  // bold
constexpr int STYLE_TITLE = 19;  // bold italic

// How dpEndDoc delivers the document.
constexpr int END_PREVIEW = 4;  // a print preview window, from which the user may print
constexpr int END_PRINT = 5;    // straight to the default printer

// How many documents may be open at once; dpStartDoc fails beyond that.
constexpr int MAX_OPEN_DOCUMENTS = 16;

// Opens a document with one empty page; title names it in the preview and the print queue.
// The parent and page-setup values are accepted and not needed. Returns the document number
// (1 or more), or 0 when no document can be opened (no GUI application, too many open).
int dpStartDoc(int parent, const std::string& title, const std::string& unused, int, int, int, int,
               int);
// Ends the current page and begins the next.
int dpNewPage(int doc, int, int, int);
// Sets the font of the texts that follow; style codes as above, the others draw regular.
// "Arial" is drawn in Liberation Sans, which has its metrics.
int dpFont(int doc, int style, float points, int, const std::string& face);
// align 0 puts the text's left end at x, 1 its middle, 2 its right end; 3 its right end too,
// but moved left when the document ends as far as needed to keep one blank between it and the
// next text on its base line (a page number or count, whose width is known only then).
int dpText(int doc, float x, float y, int align, const std::string& text);
// The width in inches of the text in the current font.
float dpTextWidth(int doc, const std::string& text);
// The text as it fits into maxWidth inches in the current font: unchanged when it fits,
// otherwise cut after a whole character and ended with "…".
std::string dpFitText(int doc, float maxWidth, const std::string& text);
// Flows text into the box (x1, y1)-(x2, y2) in the current font: the first base line at y1,
// lines lineSpacing apart for as long as the base line stays at or above y2. Lines break at
// blanks, a word longer than the line breaks between characters, and CR LF, LF or CR in the
// text each start a new line. Returns how many leading bytes of the text were placed,
// counting the blanks and line breaks consumed at the last break, never ending inside a
// UTF-8 sequence. While text remains it places at least one character, even in a box too
// small for it, so a caller that continues on new pages always gets to the end.
int dpWrapText(int doc, float x1, float y1, float x2, float y2, float lineSpacing,
               const std::string& text);
// A straight rule; width in points.
int dpLine(int doc, float x1, float y1, float x2, float y2, float width, int);
// The current page's number, in the current font.
int dpPageNo(int doc, float x, float y, int align, int);
// The document's number of pages, filled in when the document ends.
int dpPageCount(int doc, float x, float y, int align, int);
// Ends the document and delivers it by mode (END_PREVIEW; anything else prints on the default
// printer). The preview blocks until the user closes it. The print system's answer to the job
// is checked: with no printer, no default printer, or a printer that does not take the job,
// the report is saved as a PDF file in the reports folder and the user is told, once, why and
// where. Returns 1 when the document was delivered, 0 when it could not be (the user has been
// told) or the user cancelled while its pages were made ready.
int dpEndDoc(int doc, int mode);

// ---- Set-up ------------------------------------------------------------------------------

// The folder for reports saved as PDF files when nothing can be printed; created (mode 0700)
// when first needed. Without it "Vendrix 2 Reports" in the user's documents folder serves.
void SetReportsFolder(const std::string& folder);

// Tells the user something: caption and text, the text possibly ending in "{!}" to ask for
// the warning icon. Without a handler a message box shows it.
using NoticeHandler = std::function<void(const std::string& caption, const std::string& text)>;
void SetNoticeHandler(NoticeHandler handler);

// ---- Seams for running without a person --------------------------------------------------

// While installed, every ended document is handed here instead of a preview or a printer.
using EndDocHandler = std::function<void(const Document& document, int mode)>;
void SetEndDocHandler(EndDocHandler handler);

// While on, the layer acts as if the machine had no printer.
void SetPrintersIgnored(bool ignored);

// The document ended last (nullptr before the first).
std::shared_ptr<const Document> LastDocument();

}  // namespace print
