// The windows' face on a system without it: this test runs on a font configuration that
// holds no face at all, as on a machine without the Liberation fonts.

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "ez_harness.h"
#include "platform/gui/carried_fonts.h"

using namespace gui;

class TestCarriedFonts : public QObject {
    Q_OBJECT

private slots:
    void windowsAreDrawnInTheCarriedFace() {
        ezharness::Install();
        EZ_DEFFONT(10, "Arial", 9, "V");
        ezharness::Open("T", [] {
            EZ_USEFONT(10);
            EZ_LABEL(100, 1, 1, 16, 1, "Clients on file: 2000", "");
        });
        auto* label = testing::Control<QLabel>("T", 100);
        QCOMPARE(QFontInfo(label->font()).family(), QStringLiteral("Liberation Sans"));
        const int text = QFontMetrics(label->font()).horizontalAdvance(label->text());
        QVERIFY2(label->contentsRect().width() >= text, qPrintable(QString::number(text)));
        ezharness::CloseAll({"T"});
    }
};

int main(int argc, char** argv) {
    // Only the faces the program carries: a configuration without font folders.
    QTemporaryDir folder;
    QFile config(folder.filePath("fonts.conf"));
    if (!config.open(QIODevice::WriteOnly)) return 1;
    config.write("<fontconfig><cachedir>" + folder.filePath("c").toUtf8() +
                 "</cachedir></fontconfig>");
    config.close();
    qputenv("FONTCONFIG_FILE", config.fileName().toUtf8());
    QApplication application(argc, argv);
    TestCarriedFonts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_carried_fonts.moc"
