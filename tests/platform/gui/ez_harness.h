#pragma once

// A stand-in for the program: a design procedure that runs the builder a test registered for
// the window, and an event procedure that records every event and lets the test answer.

#include <QApplication>
#include <QCoreApplication>
#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/gui/ez.h"
#include "support/form_driver.h"

namespace ezharness {

struct Event {
    std::string form;
    int id = 0;
    int code = 0;
    int value = 0;
};

using Handler =
    std::function<void(const std::string& form, int& id, int& code, int& value, int& cancel)>;

inline std::vector<Event>& Events() {
    static std::vector<Event> events;
    return events;
}

inline Handler& OnEvent() {
    static Handler handler;
    return handler;
}

inline std::map<std::string, std::function<void()>>& Builders() {
    static std::map<std::string, std::function<void()>> builders;
    return builders;
}

inline void EventProcedure(const std::string& form, int& id, int& code, int& value, int& cancel) {
    Events().push_back(Event{form, id, code, value});
    if (OnEvent()) OnEvent()(form, id, code, value, cancel);
}

inline void DesignProcedure(const std::string& form) {
    const auto found = Builders().find(form);
    if (found != Builders().end()) found->second();
}

inline void Install() {
    gui::InstallProcedures(&EventProcedure, &DesignProcedure);
}

// Opens a window whose design is the given builder.
inline void Open(const std::string& form, const std::function<void()>& build,
                 const std::string& parent = "", const std::string& style = "_CK",
                 double width = 40, double height = 12) {
    Builders()[form] = build;
    gui::EZ_FORM(form, parent, form + " caption", 0, 0, width, height, style);
}

inline std::vector<Event> EventsWith(int code, int id = -1) {
    std::vector<Event> found;
    for (const Event& event : Events()) {
        if (event.code == code && (id < 0 || event.id == id)) found.push_back(event);
    }
    return found;
}

// Closes every window the test left open, without letting its handler refuse.
inline void CloseAll(const std::vector<std::string>& forms) {
    OnEvent() = nullptr;
    for (const std::string& form : forms) gui::EZ_UNLOADFORM(form);
    gui::EZ_WINHELP("", "", "", "Q");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Events().clear();
    Builders().clear();
    gui::EZ_HOOKDIALOGPROC(nullptr);
}

}  // namespace ezharness
