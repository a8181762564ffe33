#pragma once

// The program's view of its windowing toolkit: windows by name, controls by numeric id,
// geometry in character units, and every user action delivered as one event record to the
// event procedure. Texts are UTF-8. No toolkit type appears here, so the windows' own code
// stays free of the toolkit.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace gui {

using platform::CalendarDate;

// ---- Procedures handed to the run loop ---------------------------------------------------

using StartProc = void (*)(const std::string& argument);
using DesignProc = void (*)(const std::string& form);
using EventProc = void (*)(const std::string& form, int& id, int& code, int& value, int& cancel);

// Event codes.
constexpr int EV_CLOSE = 0;      // the window is about to close; cancel = 1 keeps it open
constexpr int EV_CLICK = 1;      // button, check box, radio button, date picker, list
constexpr int EV_DBLCLICK = 2;   // double-click on a list row
constexpr int EV_GOTFOCUS = 3;   // the control got the focus
constexpr int EV_LOSTFOCUS = 4;  // the control lost the focus (id 0: the window did)
constexpr int EV_CHANGE = 6;     // the text of a text box changed (typing or EZ_SETTEXT)
constexpr int EV_TOOLTIP = 8;    // the toolkit asks for a tooltip text (EZ_SETTOOLTIP)
constexpr int EV_NOTIFY = 10;    // notification of a common control; value = its code
constexpr int EV_KEY = 30;       // key pressed; value = virtual-key code, writable:
                                 // 9 moves the focus on as Tab does, 0 swallows the key
constexpr int EV_MENU = 40;      // a context-menu command, or its shortcut; value = its number

// The value of EV_CLOSE when the desktop session ends or the system asks the program to end
// (a logout, a shutdown, a termination signal): nothing can be asked, the close cannot be
// refused, and every other window is closed without asking after it.
constexpr int CLOSE_SESSION_END = 1;

// Virtual-key codes delivered with EV_KEY. Letters give their upper-case code ('A'..'Z'),
// digits (keypad too) their digit code ('0'..'9').
constexpr int VK_BACK = 8;
constexpr int VK_TAB = 9;
constexpr int VK_RETURN = 13;
constexpr int VK_ESCAPE = 27;
constexpr int VK_SPACE = 32;
constexpr int VK_PRIOR = 33;
constexpr int VK_NEXT = 34;
constexpr int VK_END = 35;
constexpr int VK_HOME = 36;
constexpr int VK_LEFT = 37;
constexpr int VK_UP = 38;
constexpr int VK_RIGHT = 39;
constexpr int VK_DOWN = 40;
constexpr int VK_INSERT = 45;
constexpr int VK_DELETE = 46;

// Notification codes delivered as the value of EV_NOTIFY.
constexpr int DTN_DATETIMECHANGE = -759;  // a date picker's date changed
constexpr int LVN_ITEMCHANGED = -101;     // the user changed a list view's highlighted rows

// Runs the program: makes the application object, installs the procedures, calls the start
// procedure and then dispatches events until the last window has closed.
int EZ_GUIRUN(int argc, char** argv, StartProc start, EventProc event, DesignProc design);

// Installs the procedures without running the loop (the caller owns the application object
// and the loop, as a test does).
void InstallProcedures(EventProc event, DesignProc design);

// ---- Set-up ------------------------------------------------------------------------------

void EZ_ALLOWNOTIFYEVENTS(int on);
void EZ_ALLOWKEYEVENTS(int on);
void EZ_SUBCLASSMODE(int mode);
void EZ_DEFFONT(int number, const std::string& face, double points, const std::string& style);
std::string EZ_GETAPPPATHNAME();                      // the program file's full path
std::string EZ_GETPATHTEXT(const std::string& path);  // its folder, ending in "/"
std::string EZ_LOADICON(const std::string& name);     // "$pgmicon": the program icon
void EZ_SETFORMICON(const std::string& form, const std::string& icon);

// Makes EZ_GETAPPPATHNAME answer as if the program file lived in the given folder.
void OverrideAppFolder(const std::string& folder);

// ---- Windows -----------------------------------------------------------------------------

// Opens a window: the design procedure builds it before this returns, then it is shown.
// Style "CMK": modal for the whole application, yet independent of its parent's lifetime.
// Geometry in character units (column = MainFont's average character width, row = its line
// height); the window's client area is width x height.
void EZ_FORM(const std::string& form, const std::string& parent, const std::string& caption,
             double column, double row, double width, double height, const std::string& style);
// Closes a window through its close event, which may cancel the close.
void EZ_UNLOADFORM(const std::string& form);
// The name of the active window ("" when none).
std::string EZ_CURRENTFORM();
// Whether the named window is open.
bool EZ_ISFORM(const std::string& form);
void EZ_COLOR(int foreground, int background);
void EZ_SETLAYER(int layer);
void EZ_DISPLAYLAYER(const std::string& form, int layer, int mode);
void EZ_USEFONT(int number);

// ---- Controls (created on the window being built) ----------------------------------------

// Style letters: "[n]" caps the text at n characters, "U" upper case, "N" digits only, "L" a
// label that is a text of its own (left-aligned and wrapped, not naming the box to its right),
// "M"/"V" multi-line with a vertical scroll bar, "G" starts a radio group, "M" on a list
// view allows several highlighted rows.
void EZ_BUTTON(int id, double column, double row, double width, double height,
               const std::string& text, const std::string& style);
void EZ_CHECKBOX(int id, double column, double row, double width, double height,
                 const std::string& text, const std::string& style);
void EZ_RADIO(int id, double column, double row, double width, double height,
              const std::string& text, const std::string& style);
void EZ_TEXT(int id, double column, double row, double width, double height,
             const std::string& text, const std::string& style);
void EZ_LABEL(int id, double column, double row, double width, double height,
              const std::string& text, const std::string& style);
void EZ_FRAME(int id, double column, double row, double width, double height,
              const std::string& text, const std::string& style);
// Columns as "Title{width}|" items.
void EZ_LISTVIEW(int id, double column, double row, double width, double height,
                 const std::string& columns, const std::string& style);
// Classes "MSCTLS_STATUSBAR32" (a status bar along the window's bottom edge; geometry
// ignored) and "SysDateTimePick32" (a date picker with a calendar pop-up).
void EZ_CONTROLEX(const std::string& form, int id, double column, double row, double width,
                  double height, const std::string& className, const std::string& text,
                  std::uint32_t windowStyle, std::uint32_t extendedStyle);
constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_TABSTOP = 0x00010000;

// Tooltips: the toolkit raises EV_TOOLTIP when it needs the text, and the handler answers
// with EZ_SETTOOLTIP.
void EZ_ADDTOOLTIP(const std::string& form, int id);
void EZ_SETTOOLTIP(const std::string& text);

void EZ_ENABLEC(const std::string& form, int id);
void EZ_DISABLEC(const std::string& form, int id);
void EZ_SETFOCUS(const std::string& form, int id);
void EZ_HIDEC(const std::string& form, int firstId, int lastId);

// Native handles: an opaque value naming a window (id 0) or a control, 0 when none.
using WindowHandle = std::uintptr_t;
WindowHandle EZ_HANDLE(const std::string& form, int id);
bool IsWindowEnabled(WindowHandle handle);

// Raw messages seen before the toolkit acts: the only one delivered is a list view's column
// click, as WM_NOTIFY with an NMLISTVIEW whose hdr.code is LVN_COLUMNCLICK.
struct NMHDR {
    WindowHandle hwndFrom = 0;
    std::uintptr_t idFrom = 0;
    int code = 0;
};
struct NMLISTVIEW {
    NMHDR hdr;
    int iItem = -1;
    int iSubItem = 0;
};
constexpr int WM_NOTIFY = 78;
constexpr int LVN_COLUMNCLICK = -108;
using HookProc = int (*)(WindowHandle window, int message, std::uintptr_t wParam,
                         const NMLISTVIEW* record);
void EZ_HOOKDIALOGPROC(HookProc hook);

// ---- Drop-down lists ---------------------------------------------------------------------

// A list of fixed choices that drops down from a box showing the one chosen; height is the
// box's. The person's choice raises EV_CLICK with the chosen item's index (from 0) as value;
// the program's own changes raise nothing.
void EZ_COMBOBOX(int id, double column, double row, double width, double height,
                 const std::string& style);
// Replaces the items; afterwards none is chosen.
void SetComboItems(const std::string& form, int id, const std::vector<std::string>& items);
// Chooses the item; -1 or an index beyond the items chooses none.
void SetComboIndex(const std::string& form, int id, int index);
// The chosen item's index, -1 when none is chosen or the control is no drop-down list.
int ComboIndex(const std::string& form, int id);

// ---- Context menus and file choosing -----------------------------------------------------

// A command of a control's context menu: its number (EV_MENU's value), its caption with "&"
// before the access letter, and the key that runs it anywhere in the window, shown in the
// menu ("Ctrl+E", "Ctrl+Shift+E"; empty for none).
struct MenuCommand {
    int command = 0;
    std::string caption;
    std::string shortcut;
};
// Gives the control a context menu, opened by the right mouse button, the Menu key and
// Shift+F10, and gives its window the commands' keys. A command raises EV_MENU on the control.
void SetContextMenu(const std::string& form, int id, const std::vector<MenuCommand>& commands);
// A disabled command is greyed in the menu and its key does nothing.
void EnableMenuCommand(const std::string& form, int id, int command, bool enabled);

// A file to choose in the desktop's file dialog: for writing (the dialog asks before it
// replaces a file) or reading. Filters as "CSV files (*.csv)", the first one chosen at first.
struct FileRequest {
    std::string owner;
    std::string caption;
    std::string start;  // a folder, or a suggested file
    std::vector<std::string> filters;
    bool forWriting = false;
};
struct FileChoice {
    std::string path;  // empty when the user cancelled
    int filter = 0;    // the filter chosen last
};
FileChoice ChooseFile(const FileRequest& request);
// Stands in for the dialog (a test's choice); an empty function restores it.
using FileChooser = std::function<FileChoice(const FileRequest&)>;
void SetFileChooser(FileChooser chooser);

// ---- Texts and ticks ---------------------------------------------------------------------

// A multi-line box exchanges line breaks as CR LF.
void EZ_SETTEXT(const std::string& form, int id, const std::string& text);
std::string EZ_GETTEXT(const std::string& form, int id);
void EZ_SETCHECK(const std::string& form, int id, int checked);
int EZ_GETCHECK(const std::string& form, int id);

// ---- List views and status bars ----------------------------------------------------------

void EZ_CLEAR(const std::string& form, int id);
// Column 0 adds row `row`; other columns fill a cell of an existing row.
void EZ_ADDLVITEM(const std::string& form, int id, const std::string& text, int image, int row,
                  int column, const std::string& extra);
// 0: rows are added without repainting; 1: repaint again (once, at the end of a fill).
void EZ_SETREDRAWSTATE(const std::string& form, int id, int on);
void EZ_REDRAWCONTROL(const std::string& form, int id);
// On a list view, -1 as the first number clears every highlight.
void EZ_SETSELECT(const std::string& form, int id, int first, int a, int b, int c, int d);
// Text boxes: 1 brings the first line into view.
void EZ_SCROLLTO(const std::string& form, int id, int line, int column);
// Parts as percents of the width, "50|25|25"; texts by part number from 1.
void EZ_SETSBPARTS(const std::string& form, int id, int count, const std::string& percents);
void EZ_SETSBTEXT(const std::string& form, int id, int part, const std::string& text,
                  const std::string& extra);

// ---- Rows, dates and selections -----------------------------------------------------------

// List views; a form or id naming no list view gives 0, no rows and -1.
int ListRowCount(const std::string& form, int id);
int SelectedRowCount(const std::string& form, int id);
// The highlighted rows in ascending order.
std::vector<int> SelectedRows(const std::string& form, int id);
// The highlighted rows, or all of them, in ascending order.
std::vector<int> ListRows(const std::string& form, int id, bool highlightedOnly);
// The first highlighted row, -1 when none is.
int FirstSelectedRow(const std::string& form, int id);
// Adds the row to the highlight or takes it away; the other rows keep theirs.
void SetRowSelected(const std::string& form, int id, int row, bool selected);
void ScrollRowIntoView(const std::string& form, int id, int row);
// The column grows to show its widest text whole, and shrinks back as far as its own width
// when the texts change: the list scrolls sideways only when a text needs it.
void FitListColumnToTexts(const std::string& form, int id, int column);

// Date pickers. The date shown ({} when the control is no date picker); an impossible date
// is not shown.
CalendarDate PickerDate(const std::string& form, int id);
void SetPickerDate(const std::string& form, int id, CalendarDate date);
// The display format, such as "MM/dd/yy".
void SetPickerFormat(const std::string& form, int id, const std::string& format);

// Text boxes: leaves no text selected.
void ClearTextSelection(const std::string& form, int id);

// ---- Message boxes and help --------------------------------------------------------------

// Buttons "OK", "YN", "YNC", or "NY" (Yes and No with No the default and the Escape answer,
// for questions whose Yes gives something up); a trailing "{?}", "{!}" or "{S}" in the text picks
// the question, warning or stop icon and is not shown. Result: 1 Yes or OK, 0 No, -1 Cancel. Escape
// answers Cancel in "YNC" boxes and No in "YN" boxes.
int EZ_MSGBOX(const std::string& owner, const std::string& text, const std::string& caption,
              const std::string& buttons);

// "K": shows the help file at the keyword's topic, non-zero when shown, 0 when the file is
// missing. "Q": closes the help window.
int EZ_WINHELP(const std::string& form, const std::string& helpFile, const std::string& keyword,
               const std::string& command);

// ---- Seams for running without a person --------------------------------------------------

struct MessageBoxRequest {
    std::string owner;
    std::string text;  // as given, marker included
    std::string caption;
    std::string buttons;
};
// While installed, every message box is answered by this function instead of a person.
using MessageBoxAnswerer = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxAnswerer(MessageBoxAnswerer answerer);

// Ends the run as the end of the desktop session does (a logout, SIGTERM, SIGINT, SIGHUP):
// the windows opened without a parent get EV_CLOSE with CLOSE_SESSION_END, then every window
// is closed without asking and the run loop ends.
void EndSession();

// The keyword of the topic the help window shows, "" when no help window is open.
std::string HelpTopicShown();

// The texts of one row of a list view, cell by cell; empty when there is no such row.
std::vector<std::string> ListRowTexts(const std::string& form, int id, int row);
// The text of one part (from 1) of a status bar.
std::string StatusBarText(const std::string& form, int id, int part);
// The caption of an open window ("" when it is not open).
std::string FormCaption(const std::string& form);

}  // namespace gui
