#include "platform/mail/desktop_mail.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace mail {

namespace {

constexpr int StartTimeoutMs = 2000;
constexpr int QueryTimeoutMs = 3000;
// How long xdg-open is given to tell whether the mail program started. A handler that cannot
// start fails well within it; one still running then is the mail program itself.
constexpr int HandOffVerdictMs = 3000;

UrlOpener& InstalledOpener() {
    static UrlOpener opener;
    return opener;
}

MailHandlerCheck& InstalledCheck() {
    static MailHandlerCheck check;
    return check;
}

// The desktop file xdg-mime names exists in one of the applications folders; an id with
// dashes may also stand for a file in a subfolder ("kde4-kmail.desktop").
bool DesktopFileExists(const QString& id) {
    if (!QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id).isEmpty()) return true;
    QString nested = id;
    for (qsizetype dash = nested.indexOf(u'-'); dash >= 0; dash = nested.indexOf(u'-', dash + 1)) {
        nested[dash] = u'/';
        if (!QStandardPaths::locate(QStandardPaths::ApplicationsLocation, nested).isEmpty()) {
            return true;
        }
    }
    return false;
}

// Asks xdg-utils, which xdg-open (and so Qt's own hand-off) will follow, for the default
// handler of mailto: without one, xdg-open would hand the address to a web browser or drop
// it. A missing xdg-mime, a hang or an answer naming no installed program all mean "none".
bool DesktopHasMailHandler() {
    QProcess query;
    query.setProcessChannelMode(QProcess::SeparateChannels);
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"),
                 QStringLiteral("x-scheme-handler/mailto")},
                QIODevice::ReadOnly);
    if (!query.waitForStarted(StartTimeoutMs)) return false;
    if (!query.waitForFinished(QueryTimeoutMs)) {
        query.kill();
        query.waitForFinished(StartTimeoutMs);
        return false;
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return false;
    const QString id = QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
    return id.endsWith(QStringLiteral(".desktop")) && !id.contains(u'\n') && DesktopFileExists(id);
}

// Shows the busy pointer while the window waits for the opener's verdict.
class BusyPointer {
public:
    BusyPointer()
        : shown_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (shown_) QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    }
    ~BusyPointer() {
        if (shown_) QGuiApplication::restoreOverrideCursor();
    }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    bool shown_;
};

// Waits for the process to end, at most waitMs. The windows keep painting meanwhile, but
// take no input, so nothing the user does runs inside the "Send E-mail" action.
bool FinishesWithin(QProcess& process, int waitMs) {
    if (process.state() == QProcess::NotRunning) return true;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    timer.start(waitMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return process.state() == QProcess::NotRunning;
}

bool DesktopOpenUrl(const std::string& url) {
    const QUrl address = QUrl::fromEncoded(QByteArray::fromStdString(url), QUrl::StrictMode);
    if (!address.isValid() || address.scheme() != QStringLiteral("mailto")) return false;
    // QDesktopServices reports success as soon as xdg-open starts; only xdg-open's own exit
    // code tells whether the mail program could be started.
    return RunUrlOpener("xdg-open", url, HandOffVerdictMs);
}

}  // namespace

bool RunUrlOpener(const std::string& program, const std::string& url, int waitMs) {
    if (QCoreApplication::instance() == nullptr) return false;  // nothing to wait in
    const BusyPointer busy;
    auto process = std::make_unique<QProcess>();
    // Nobody reads the opener's output: a full pipe would stall a chatty mail program.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(QString::fromStdString(program), {QString::fromStdString(url)});
    if (!process->waitForStarted(StartTimeoutMs)) return false;
    if (FinishesWithin(*process, waitMs)) {
        return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    }
    // Still running: that is the mail program in the opener's place. It is left to run,
    // owned by the application, and goes once it has ended.
    QProcess* running = process.release();
    running->setParent(QCoreApplication::instance());
    QObject::connect(running, &QProcess::finished, running, &QObject::deleteLater);
    return true;
}

void SetUrlOpener(UrlOpener opener) {
    InstalledOpener() = std::move(opener);
}

void SetMailHandlerCheck(MailHandlerCheck check) {
    InstalledCheck() = std::move(check);
}

bool MailHandlerAvailable() {
    return InstalledCheck() ? InstalledCheck()() : DesktopHasMailHandler();
}

bool OpenMailUrl(const std::string& url) {
    return InstalledOpener() ? InstalledOpener()(url) : DesktopOpenUrl(url);
}

}  // namespace mail
