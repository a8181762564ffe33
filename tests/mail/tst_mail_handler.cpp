// Whether the desktop has a mail program is asked of xdg-mime; anything but a clear answer
// naming an installed program counts as none. xdg-open's exit code tells whether it started.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include "mail/mapi.h"
#include "platform/mail/desktop_mail.h"
#include "support/hooks.h"

class MailHandlerTest : public QObject {
    Q_OBJECT

    QTemporaryDir bin_;
    QTemporaryDir data_;
    QByteArray savedPath_;
    QByteArray savedDataDirs_;
    QByteArray savedDataHome_;
    std::optional<testing::Hooks> hooks_;

    // A stand-in xdg-mime that prints the text and ends with the code.
    void installXdgMime(const QByteArray& output, int exitCode) {
        installScript("xdg-mime",
                      "printf '%s' '" + output + "'\nexit " + QByteArray::number(exitCode));
    }

    void installScript(const QString& name, const QByteArray& body) {
        QFile script(bin_.filePath(name));
        QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write("#!/bin/sh\n" + body + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void installDesktopFile(const QString& relativePath) {
        const QString path = data_.filePath("applications/" + relativePath);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\nName=Mail\nExec=true %u\n");
    }

private slots:
    void init() {
        savedPath_ = qgetenv("PATH");
        savedDataDirs_ = qgetenv("XDG_DATA_DIRS");
        savedDataHome_ = qgetenv("XDG_DATA_HOME");
        // Only the stand-ins are found: no real xdg-mime, no real desktop files.
        qputenv("PATH", bin_.path().toLocal8Bit() + ":/bin:/usr/bin");
        QFile::remove(bin_.filePath("xdg-mime"));
        qputenv("XDG_DATA_DIRS", data_.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", data_.filePath("home").toLocal8Bit());
        QDir(data_.filePath("applications")).removeRecursively();
        // The desktop's own check, which asks the stand-ins.
        hooks_.emplace().setMailHandlerCheck({});
    }

    void cleanup() {
        qputenv("PATH", savedPath_);
        qputenv("XDG_DATA_DIRS", savedDataDirs_);
        qputenv("XDG_DATA_HOME", savedDataHome_);
        hooks_.reset();
    }

    void noXdgMimeMeansNoMailProgram() {
        if (QFile::exists("/bin/xdg-mime") || QFile::exists("/usr/bin/xdg-mime")) {
            qputenv("PATH", bin_.path().toLocal8Bit());
        }
        QVERIFY(!mail::MailHandlerAvailable());
    }

    void answersOfXdgMime_data() {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("installed");  // desktop file present, "" for none
        QTest::addColumn<bool>("available");
        QTest::newRow("an installed mail program is a mail program")
            << QByteArray("mailer.desktop\n") << 0 << "mailer.desktop" << true;
        QTest::newRow("a program in a vendor subfolder is found too")
            << QByteArray("kde4-mailer.desktop\n") << 0 << "kde4/mailer.desktop" << true;
        QTest::newRow("an empty answer is no mail program") << QByteArray("") << 0 << "" << false;
        QTest::newRow("a program whose desktop file is gone is none")
            << QByteArray("gone.desktop\n") << 0 << "" << false;
        QTest::newRow("a failing xdg-mime is no answer")
            << QByteArray("mailer.desktop\n") << 1 << "mailer.desktop" << false;
        QTest::newRow("an answer that names no desktop file is none")
            << QByteArray("no default\n") << 0 << "" << false;
    }

    void answersOfXdgMime() {
        QFETCH(QByteArray, output);
        QFETCH(int, exitCode);
        QFETCH(QString, installed);
        QFETCH(bool, available);
        installXdgMime(output, exitCode);
        if (!installed.isEmpty()) installDesktopFile(installed);
        QCOMPARE(mail::MailHandlerAvailable(), available);
    }

    // Guards against a mail program that fails to start counting as handed over.
    void theOpenersExitCodeDecides_data() {
        QTest::addColumn<QByteArray>("body");  // of the stand-in xdg-open
        QTest::addColumn<bool>("handedOver");
        QTest::newRow("a handler that cannot be started fails") << QByteArray("exit 4") << false;
        QTest::newRow("a handler that started succeeds") << QByteArray("exit 0") << true;
        QTest::newRow("a mail program still running after the wait has started")
            << QByteArray("exec /bin/sleep 2") << true;
    }

    void theOpenersExitCodeDecides() {
        QFETCH(QByteArray, body);
        qputenv("PATH", bin_.path().toLocal8Bit());  // never the desktop's own xdg-open
        installScript("xdg-open", "[ \"$1\" = mailto:a@x.com ] || exit 9\n" + body);
        QTEST(mail::RunUrlOpener("xdg-open", "mailto:a@x.com", 300), "handedOver");
    }
};

QTEST_GUILESS_MAIN(MailHandlerTest)
#include "tst_mail_handler.moc"
