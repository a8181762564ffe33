#include <QButtonGroup>

#include <algorithm>
#include <map>

#include "platform/gui/form_window.h"
#include "platform/gui/layer.h"

namespace gui {
namespace layer {

namespace {

struct Registry {
    std::map<std::string, std::unique_ptr<Form>> forms;
    std::vector<std::string> designStack;
    std::map<WindowHandle, QPointer<QWidget>> handles;
    WindowHandle nextHandle = 0x10000;
    EventProc event = nullptr;
    DesignProc design = nullptr;
    HookProc hook = nullptr;
    bool keyEvents = false;
    bool notifyEvents = false;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

Form* FindForm(const std::string& name) {
    auto& forms = TheRegistry().forms;
    const auto found = forms.find(name);
    if (found == forms.end() || !found->second->window) return nullptr;
    return found->second.get();
}

Control* FindControl(Form& form, int id) {
    for (Control& control : form.controls) {
        if (control.id == id && control.widget) return &control;
    }
    return nullptr;
}

Control* FindControl(const std::string& form, int id) {
    Form* owner = FindForm(form);
    return owner ? FindControl(*owner, id) : nullptr;
}

QWidget* ControlWidget(const std::string& form, int id) {
    Control* control = FindControl(form, id);
    return control ? control->widget.data() : nullptr;
}

Form* DesignForm() {
    const auto& stack = TheRegistry().designStack;
    return stack.empty() ? nullptr : FindForm(stack.back());
}

Form* TargetForm(const std::string& name) {
    if (Form* named = FindForm(name)) return named;
    return DesignForm();
}

void PushDesign(const std::string& name) {
    TheRegistry().designStack.push_back(name);
}

void PopDesign() {
    auto& stack = TheRegistry().designStack;
    if (!stack.empty()) stack.pop_back();
}

Form& RegisterForm(const std::string& name, FormWindow* window) {
    auto form = std::make_unique<Form>();
    form->name = name;
    form->window = window;
    form->handle = NewHandle(window);
    Form& result = *form;
    TheRegistry().forms[name] = std::move(form);
    return result;
}

void UnregisterForm(const std::string& name) {
    auto& forms = TheRegistry().forms;
    const auto found = forms.find(name);
    if (found == forms.end()) return;
    ForgetHandle(found->second->handle);
    for (const Control& control : found->second->controls) ForgetHandle(control.handle);
    forms.erase(found);
}

std::vector<std::string> OpenFormNames() {
    std::vector<std::string> names;
    for (const auto& [name, form] : TheRegistry().forms) {
        if (form->window) names.push_back(name);
    }
    return names;
}

Control* AddControl(ControlKind kind, int id, QWidget* widget, double column, double row,
                    double width, double height) {
    Form* form = DesignForm();
    if (!form || !form->window) {
        // A control with no window to go on is dropped rather than left floating.
        delete widget;
        return nullptr;
    }
    widget->setParent(form->window);
    widget->setObjectName(QStringLiteral("c%1").arg(id));
    Control control;
    control.id = id;
    control.kind = kind;
    control.widget = widget;
    control.handle = NewHandle(widget);
    if (form->placed) {
        control.designed = ToPixels(column, row, width, height);
        widget->setGeometry(control.designed);
    } else {
        control.unplaced = CellRect{column, row, width, height};
    }
    // A second control with the same id replaces the first in look-ups.
    auto& controls = form->controls;
    controls.erase(std::remove_if(controls.begin(), controls.end(),
                                  [id](const Control& c) { return c.id == id; }),
                   controls.end());
    controls.push_back(control);
    if (form->window->isVisible()) widget->show();
    return &controls.back();
}

void PlaceControls(Form& form) {
    for (Control& control : form.controls) {
        if (!control.unplaced) continue;
        const CellRect cells = *control.unplaced;
        control.unplaced.reset();
        control.designed = ToPixels(cells.column, cells.row, cells.width, cells.height);
        if (!control.widget) continue;
        control.widget->setGeometry(control.designed);
        if (control.kind == ControlKind::List) PlaceListColumns(control.widget);
    }
    form.placed = true;
}

Owner OwnerOf(const QObject* object) {
    for (const QObject* o = object; o; o = o->parent()) {
        const auto* widget = qobject_cast<const QWidget*>(o);
        if (!widget) continue;
        if (widget->isWindow() && !dynamic_cast<const FormWindow*>(widget)) break;
        for (const auto& [name, form] : TheRegistry().forms) {
            if (form->window != widget->window()) continue;
            for (const Control& control : form->controls) {
                if (control.widget == widget) return Owner{name, control.id, control.kind, true};
            }
            if (widget == form->window) return Owner{name, 0, ControlKind::Label, true};
        }
    }
    return Owner{};
}

WindowHandle NewHandle(QWidget* widget) {
    Registry& registry = TheRegistry();
    const WindowHandle handle = registry.nextHandle;
    registry.nextHandle += 4;
    registry.handles[handle] = widget;
    return handle;
}

void ForgetHandle(WindowHandle handle) {
    TheRegistry().handles.erase(handle);
}

QWidget* WidgetOfHandle(WindowHandle handle) {
    const auto& handles = TheRegistry().handles;
    const auto found = handles.find(handle);
    return found == handles.end() ? nullptr : found->second.data();
}

EventResult Raise(const std::string& form, int id, int code, int value) {
    EventResult result{value, 0};
    EventProc event = TheRegistry().event;
    if (!event) return result;
    // A disabled control takes no input, so nothing it is sent (a click travelling up from its
    // inner parts, a tooltip request, the focus leaving it as it is disabled) reaches the
    // program. A text the program sets still counts as a change.
    if (id != 0 && code != EV_CHANGE) {
        const Control* control = FindControl(form, id);
        if (control && !control->widget->isEnabled()) return result;
    }
    // The procedure gets its own copies of the name and numbers, so that closing the window
    // inside the handler cannot pull them away under it.
    const std::string name = form;
    int idCopy = id;
    int codeCopy = code;
    event(name, idCopy, codeCopy, result.value, result.cancel);
    return result;
}

bool KeyEventsAllowed() {
    return TheRegistry().keyEvents;
}
bool NotifyEventsAllowed() {
    return TheRegistry().notifyEvents;
}
HookProc Hook() {
    return TheRegistry().hook;
}

void RunDesign(const std::string& form) {
    if (DesignProc design = TheRegistry().design) design(form);
}

}  // namespace layer

void InstallProcedures(EventProc event, DesignProc design) {
    layer::TheRegistry().event = event;
    layer::TheRegistry().design = design;
}

void EZ_ALLOWNOTIFYEVENTS(int on) {
    layer::TheRegistry().notifyEvents = on != 0;
}
void EZ_ALLOWKEYEVENTS(int on) {
    layer::TheRegistry().keyEvents = on != 0;
}
void EZ_SUBCLASSMODE(int) {}
void EZ_HOOKDIALOGPROC(HookProc hook) {
    layer::TheRegistry().hook = hook;
}

WindowHandle EZ_HANDLE(const std::string& form, int id) {
    layer::Form* owner = layer::FindForm(form);
    if (!owner) return 0;
    if (id == 0) return owner->handle;
    layer::Control* control = layer::FindControl(*owner, id);
    return control ? control->handle : 0;
}

bool IsWindowEnabled(WindowHandle handle) {
    QWidget* widget = layer::WidgetOfHandle(handle);
    return widget && widget->isEnabled();
}

}  // namespace gui
