#include "platform/gui/session_end.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QThread>
#include <QWindow>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <memory>

#include "platform/gui/layer.h"

namespace gui {
namespace layer {

namespace {

constexpr std::array<int, 3> EndingSignals = {SIGTERM, SIGINT, SIGHUP};

struct SessionWatch {
    std::array<int, 2> signalPipe = {-1, -1};  // written by the signal handler, read by Qt
    std::unique_ptr<QSocketNotifier> notifier;
    bool ending = false;
};

SessionWatch& Watch() {
    static SessionWatch watch;
    return watch;
}

// Only what is safe inside a signal handler: one write to the pipe; the loop does the rest.
void OnEndingSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(Watch().signalPipe[1], &byte, 1);
    errno = saved;
}

void OnSignalPipeReadable() {
    char bytes[16];
    [[maybe_unused]] const ssize_t got = ::read(Watch().signalPipe[0], bytes, sizeof bytes);
    EndSession();
}

}  // namespace

void WatchForSessionEnd() {
    SessionWatch& watch = Watch();
    if (watch.notifier) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, watch.signalPipe.data()) != 0) {
        watch.signalPipe = {-1, -1};
        return;
    }
    // A burst of signals must never block the handler.
    ::fcntl(watch.signalPipe[1], F_SETFL, O_NONBLOCK);
    watch.notifier = std::make_unique<QSocketNotifier>(watch.signalPipe[0], QSocketNotifier::Read);
    QObject::connect(watch.notifier.get(), &QSocketNotifier::activated,
                     [] { OnSignalPipeReadable(); });
    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : EndingSignals) ::sigaction(signal, &action, nullptr);
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(application, &QGuiApplication::commitDataRequest,
                         [](QSessionManager&) { EndSession(); });
    }
}

void StopWatchingForSessionEnd() {
    SessionWatch& watch = Watch();
    for (const int signal : EndingSignals) std::signal(signal, SIG_DFL);
    watch.notifier.reset();
    for (int& fd : watch.signalPipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    watch.ending = false;
}

bool SessionEnding() {
    return Watch().ending;
}

void FinishSession() {
    // The windows opened without a parent (the main window) save what they hold; the others
    // are child windows whose questions nobody could answer now.
    for (const std::string& name : OpenFormNames()) {
        const Form* form = FindForm(name);
        if (!form || !form->window) continue;
        const QWindow* native = form->window->windowHandle();
        if (native && native->transientParent()) continue;
        Raise(name, 0, EV_CLOSE, CLOSE_SESSION_END);
    }
    CloseHelpWindow();
    for (const std::string& name : OpenFormNames()) {
        if (Form* form = FindForm(name)) form->window->closeWithoutAsking();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace layer

void EndSession() {
    layer::SessionWatch& watch = layer::Watch();
    if (watch.ending) return;
    watch.ending = true;
    // Inside an event loop (a message box's, or the program's own) the loops are left first,
    // so that no window is destroyed under a box that is still open; the run loop then
    // finishes the session. Outside of any, it is finished at once.
    if (QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(0);
        return;
    }
    layer::FinishSession();
    watch.ending = false;
}

}  // namespace gui
