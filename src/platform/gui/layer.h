#pragma once

// What the toolkit layer's own files share: the registry of open windows and their controls,
// the fonts, the character units and the raising of events. Nothing outside
// src/platform/gui includes this file.

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/control_messages.h"
#include "platform/gui/ez.h"
#include "platform/gui/form_window.h"

class QAbstractButton;
class QButtonGroup;
class QWindow;

namespace gui::layer {

enum class ControlKind {
    Button,
    CheckBox,
    Radio,
    Text,
    MultiLineText,
    Label,
    Frame,
    List,
    DatePicker,
    StatusBar,
    ComboBox,
};

// A rectangle in character units, as a design procedure gives it.
struct CellRect {
    double column = 0;
    double row = 0;
    double width = 0;
    double height = 0;
};

struct Control {
    int id = 0;
    ControlKind kind = ControlKind::Label;
    QPointer<QWidget> widget;
    WindowHandle handle = 0;
    QRect designed;                    // the rectangle asked for, in pixels, before any widening
    std::optional<CellRect> unplaced;  // asked for while its window was built, not yet placed
    bool wantsTooltip = false;
};

struct Form {
    std::string name;
    QPointer<FormWindow> window;
    WindowHandle handle = 0;
    std::vector<Control> controls;      // in creation order, which is also the keyboard order
    QPointer<QButtonGroup> radioGroup;  // the group new radio buttons join
    // Controls made while the window is built are placed together once it is built: their
    // pixels depend on the fonts, which may still be loading while the window is built.
    bool placed = false;
};

// ---- Registry ----------------------------------------------------------------------------

Form* FindForm(const std::string& name);
Control* FindControl(const std::string& form, int id);
Control* FindControl(Form& form, int id);
// The widget of a control when it exists and is of one of the given kinds.
QWidget* ControlWidget(const std::string& form, int id);

// The form whose design procedure is running (nullptr outside of one).
Form* DesignForm();
// The form a control call names: the named form if open, else the one being designed.
Form* TargetForm(const std::string& name);
void PushDesign(const std::string& name);
// Calls the program's design procedure for the form.
void RunDesign(const std::string& name);
void PopDesign();

Form& RegisterForm(const std::string& name, FormWindow* window);
// Forgets a form: its name can be opened again at once; the widget goes later.
void UnregisterForm(const std::string& name);
std::vector<std::string> OpenFormNames();

// Adds a control to the form being designed, at the given character-unit rectangle: placed at
// once on a window that has been built, or with the others once its window is built.
Control* AddControl(ControlKind kind, int id, QWidget* widget, double column, double row,
                    double width, double height);

// The form and control a widget belongs to (the widget itself or one of its ancestors).
struct Owner {
    std::string form;
    int id = 0;
    ControlKind kind = ControlKind::Label;
    bool found = false;
};
Owner OwnerOf(const QObject* object);

WindowHandle NewHandle(QWidget* widget);
void ForgetHandle(WindowHandle handle);
QWidget* WidgetOfHandle(WindowHandle handle);

// ---- Events ------------------------------------------------------------------------------

struct EventResult {
    int value = 0;
    int cancel = 0;
};
// Hands one event to the program's event procedure and returns what it left in the record.
EventResult Raise(const std::string& form, int id, int code, int value);
bool KeyEventsAllowed();
bool NotifyEventsAllowed();
HookProc Hook();
// Installs the application-wide input filter and focus tracking once an application exists.
void EnsureInputTracking();
// The virtual-key code of a key press, 0 for keys without one.
int VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);
// The tooltip the program gives a control when asked, "" when it gives none.
QString TooltipText(const std::string& form, int id);

// ---- Fonts and units ---------------------------------------------------------------------

QFont FontFor(int number);
QFont CurrentFont();
bool CurrentFontIsSymbol();
// Texts written in a symbol font, given as the characters that show the same signs in any font.
QString SymbolText(const QString& text);
constexpr int MainFontNumber = 10;

struct Units {
    double column = 7.0;
    double row = 15.0;
};
Units CharacterUnits();
QRect ToPixels(double column, double row, double width, double height);

QString ToQ(const std::string& text);
std::string FromQ(const QString& text);

// ---- Pieces shared between files ---------------------------------------------------------

// Places the controls made while the window was built.
void PlaceControls(Form& form);
void FitControls(Form& form, QSize& clientSize);
// The width a check box or radio button needs to show its tick mark and caption whole.
int TickedCaptionWidth(const QAbstractButton* button);
void PlaceStatusBars(Form& form);
// Tells an X11 window manager the window a shown window now belongs to (none: nullptr);
// nothing on other platforms.
void TellWindowManagerOwner(QWindow* window, QWindow* owner);
void CloseHelpWindow();
// A list view's answer to a list message; nothing for a widget that is not a list view.
std::optional<int> ListMessage(QWidget* widget, int message, int wParam, int lParam);
// Sizes a list's columns from the widths in characters it was made with.
void PlaceListColumns(QWidget* widget);
void ListSetItem(QWidget* widget, const LVITEM& item);
void ListClearSelection(QWidget* widget);
void ListSelectOnly(QWidget* widget, int row);
QStringList ListColumnTitles(QWidget* widget);
// The text as a control shows it: its access letter's "&" taken out, "&&" shown as "&".
QString ShownText(QString text);
// Gives the window's controls their names and their labels' buddies, once it is laid out.
void NameControls(Form& form);

}  // namespace gui::layer
