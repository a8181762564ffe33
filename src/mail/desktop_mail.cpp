#include "mail/desktop_mail.h"

#include <QByteArray>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QUrl>

#include "mail/mapi.h"

namespace mail {

namespace {

constexpr int StartTimeoutMs = 2000;
constexpr int QueryTimeoutMs = 3000;

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

bool DesktopOpenUrl(const std::string& url) {
    const QUrl address = QUrl::fromEncoded(QByteArray::fromStdString(url), QUrl::StrictMode);
    if (!address.isValid() || address.scheme() != QStringLiteral("mailto")) return false;
    return QDesktopServices::openUrl(address);
}

}  // namespace

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
