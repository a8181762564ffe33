// Started by bench_startup for every measured start, and handy by hand:
//   startup_harness program FOLDER   the real program on the program folder FOLDER, started
//                                    through the run loop exactly as its main() starts it
//   startup_harness bare             a bare Qt Widgets window, started the same way
//   startup_harness bare-text        the same bare window showing one line of text, so that
//                                    it pays for the fonts as every window with a word does
// Either stops at its first idle moment after its window has been painted and writes one line
// to standard output: the steady clock at that moment in nanoseconds, then the peak resident
// set (VmHWM) in kB.
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "app/forms.h"
#include "app/startup.h"
#include "platform/gui/ez.h"

namespace {

long PeakResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

void ReportIdleAndQuit() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::printf(
        "%lld %ld\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()),
        PeakResidentKilobytes());
    std::fflush(stdout);
    QCoreApplication::quit();
}

// Waits for the first paint of a shown window; once the loop has nothing more to do after
// it, the start is over.
class FirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window()->isVisible()) {
            seen_ = true;
            QTimer::singleShot(0, [] { QTimer::singleShot(0, ReportIdleAndQuit); });
        }
        return false;
    }

private:
    bool seen_ = false;
};

void WatchForFirstPaint() {
    qApp->installEventFilter(new FirstPaint(qApp));
}

void StartProgramAndWatch(const std::string& argument) {
    WatchForFirstPaint();
    app::StartProcedure(argument);
}

int RunBare(int argc, char** argv, bool withText) {
    QApplication application(argc, argv);
    WatchForFirstPaint();
    QWidget window;
    window.resize(640, 480);
    window.setWindowTitle(QStringLiteral("Bare window"));
    if (withText) new QLabel(QStringLiteral("Clients on file: 2000"), &window);
    window.show();
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "program") == 0) {
        gui::OverrideAppFolder(argv[2]);
        char* arguments[] = {argv[0], nullptr};
        return gui::EZ_GUIRUN(1, arguments, StartProgramAndWatch, app::EventProcedure,
                              app::DesignProcedure);
    }
    if (argc == 2 &&
        (std::strcmp(argv[1], "bare") == 0 || std::strcmp(argv[1], "bare-text") == 0)) {
        char* arguments[] = {argv[0], nullptr};
        return RunBare(1, arguments, std::strcmp(argv[1], "bare-text") == 0);
    }
    std::fprintf(stderr, "usage: %s program FOLDER | bare | bare-text\n", argv[0]);
    return 2;
}
