#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStyleFactory>

#include "platform/gui/font_warm_up.h"
#include "platform/gui/form_window.h"
#include "platform/gui/layer.h"
#include "platform/gui/session_end.h"
#include "platform/program_identity.h"

namespace gui {
namespace layer {

namespace {

QString& AppFolderOverride() {
    static QString folder;
    return folder;
}

// Windows still open when the loop ends are closed without asking, oldest last.
void CloseEverything() {
    CloseHelpWindow();
    for (const std::string& name : OpenFormNames()) {
        if (Form* form = FindForm(name)) form->window->closeWithoutAsking();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

}  // namespace layer

int EZ_GUIRUN(int argc, char** argv, StartProc start, EventProc event, DesignProc design) {
    static int argumentCount = argc;  // QApplication keeps a reference to it
    layer::BeginFontWarmUp();
    QApplication application(argumentCount, argv);
    layer::ApplicationMade();
    // The id ties the windows to the desktop entry and names the user's data folder. No display
    // name is set: Qt would add it to every window's title.
    QApplication::setApplicationName(QString::fromLatin1(platform::ApplicationId));
    QApplication::setApplicationVersion(QString::fromLatin1(platform::ProgramVersion));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(platform::ApplicationId));
    QApplication::setQuitOnLastWindowClosed(true);
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
    }
    InstallProcedures(event, design);
    layer::EnsureInputTracking();
    layer::WatchForSessionEnd();
    if (start) start("");
    layer::FinishFontWarmUp();
    int result = 0;
    // A start that opened no window leaves nothing to wait for.
    if (!layer::OpenFormNames().empty() && !layer::SessionEnding()) result = QApplication::exec();
    // A logout or a termination signal left the loops; the program saves before the windows go.
    if (layer::SessionEnding()) layer::FinishSession();
    layer::StopWatchingForSessionEnd();
    InstallProcedures(nullptr, nullptr);  // the program hears nothing of the clean-up
    layer::CloseEverything();
    return result;
}

std::string EZ_GETAPPPATHNAME() {
    if (!layer::AppFolderOverride().isEmpty()) {
        const QString name = qApp ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                                  : QStringLiteral("vendrix2");
        return layer::FromQ(QDir(layer::AppFolderOverride()).filePath(name));
    }
    return qApp ? layer::FromQ(QCoreApplication::applicationFilePath()) : std::string();
}

std::string EZ_GETPATHTEXT(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void OverrideAppFolder(const std::string& folder) {
    layer::AppFolderOverride() = layer::ToQ(folder);
}

}  // namespace gui
