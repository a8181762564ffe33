// The message handed to the mail program: recipients split from the e-mail box, the buffers'
// limits, and a "mailto:" URL that carries the box's text as data and nothing more.

#include <QTest>
#include <QUrl>
#include <QUrlQuery>

#include "mail/mail_message.h"

using namespace mail;

namespace {

Message MessageTo(const std::string& box) {
    Message message;
    message.noteText = "\r\n";
    message.recipients = SplitRecipients(box, box);
    return message;
}

}  // namespace

class MailMessageTest : public QObject {
    Q_OBJECT

private slots:
    void recipientsAreTheBoxPartsBetweenSemicolons_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("one address is one recipient") << "a@x.com" << QStringList{"a@x.com"};
        QTest::newRow("two addresses without a blank")
            << "a@x.com;b@y.org" << QStringList{"a@x.com", "b@y.org"};
        QTest::newRow("a blank after the semicolon stays with the second part")
            << "a@x.com; b@y.org" << QStringList{"a@x.com", " b@y.org"};
        QTest::newRow("a trailing semicolon adds an empty recipient")
            << "a@x.com;" << QStringList{"a@x.com", ""};
        QTest::newRow("an empty box has no recipients") << "" << QStringList{};
        QTest::newRow("a box of blanks has no recipients") << "   " << QStringList{};
        QTest::newRow("a lone semicolon gives two empty recipients") << ";" << QStringList{"", ""};
    }

    void recipientsAreTheBoxPartsBetweenSemicolons() {
        QFETCH(QString, box);
        QFETCH(QStringList, parts);
        const std::vector<Recipient> recipients =
            SplitRecipients(box.toStdString(), box.toStdString());
        QStringList names;
        for (const Recipient& recipient : recipients) {
            QCOMPARE(recipient.recipientClass, MAPI_TO);
            QCOMPARE(recipient.address, recipient.name);
            names << QString::fromStdString(recipient.name);
        }
        QCOMPARE(names, parts);
    }

    void buffersCutLongTextsWholeCharactersOnly() {
        QCOMPARE(FitBuffer(std::string(299, 'a'), RecipientBufferSize).size(), std::size_t(299));
        QCOMPARE(FitBuffer(std::string(400, 'a'), RecipientBufferSize).size(), std::size_t(299));
        // "é" is two bytes in UTF-8; a cut through it would leave half a character.
        const std::string cut = FitBuffer(std::string(298, 'a') + "\xC3\xA9", RecipientBufferSize);
        QCOMPARE(cut, std::string(298, 'a'));
        QCOMPARE(FitBuffer("short", SubjectBufferSize), std::string("short"));
    }

    void urlNamesEveryRecipientThenSubjectAndBody_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QByteArray>("url");
        QTest::newRow("one address")
            << "a@x.com" << QByteArray("mailto:a@x.com?subject=&body=%0D%0A");
        QTest::newRow("two addresses without a blank")
            << "a@x.com;b@y.org" << QByteArray("mailto:a@x.com,b@y.org?subject=&body=%0D%0A");
        QTest::newRow("two addresses with a blank after the semicolon")
            << "a@x.com; b@y.org" << QByteArray("mailto:a@x.com,b@y.org?subject=&body=%0D%0A");
        QTest::newRow("a trailing semicolon names nobody more")
            << "a@x.com;" << QByteArray("mailto:a@x.com?subject=&body=%0D%0A");
        QTest::newRow("no address leaves the recipients to the user")
            << "" << QByteArray("mailto:?subject=&body=%0D%0A");
        QTest::newRow("plus and dots in an address stay readable")
            << "first.last+tag@mail.example.co.uk"
            << QByteArray("mailto:first.last+tag@mail.example.co.uk?subject=&body=%0D%0A");
    }

    void urlNamesEveryRecipientThenSubjectAndBody() {
        QFETCH(QString, box);
        QFETCH(QByteArray, url);
        QCOMPARE(QByteArray::fromStdString(MailtoUrl(MessageTo(box.toStdString()))), url);
    }

    // Whatever the box holds, the URL has exactly the box's addresses as its recipients and
    // exactly an empty subject and a CR LF body as its fields.
    void hostileTextStaysData_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("addresses");
        QTest::newRow("an attachment field after a question mark")
            << "a@x.com?attach=/etc/passwd" << QStringList{"a@x.com?attach=/etc/passwd"};
        QTest::newRow("a body field after an ampersand")
            << "a@x.com&body=Pay now" << QStringList{"a@x.com&body=Pay now"};
        QTest::newRow("a header smuggled in by a line break")
            << "a@x.com\r\nBcc: spy@evil.example"
            << QStringList{"a@x.com\r\nBcc: spy@evil.example"};
        QTest::newRow("an encoded question mark stays literal")
            << "a@x.com%3Fcc%3Dspy@evil.example" << QStringList{"a@x.com%3Fcc%3Dspy@evil.example"};
        QTest::newRow("a comma does not add a recipient")
            << "a@x.com,spy@evil.example" << QStringList{"a@x.com,spy@evil.example"};
        QTest::newRow("a leading dash is no option")
            << "--compose=attachment='/etc/shadow'"
            << QStringList{"--compose=attachment='/etc/shadow'"};
        QTest::newRow("a fragment mark and quotes")
            << "\"a b\"@x.com#top" << QStringList{"\"a b\"@x.com#top"};
        QTest::newRow("letters beyond ASCII travel as UTF-8")
            << QString::fromUtf8("jörg@bücher.de")
            << QStringList{QString::fromUtf8("jörg@bücher.de")};
    }

    void hostileTextStaysData() {
        QFETCH(QString, box);
        QFETCH(QStringList, addresses);
        const std::string url = MailtoUrl(MessageTo(box.toStdString()));
        for (const char c : url) {
            // Nothing a command line or a launcher could split or interpret.
            QVERIFY2(c > ' ' && c < 127 && c != '"' && c != '\'' && c != '\\',
                     qPrintable(QString("unsafe byte %1 in %2").arg(int(c)).arg(url.c_str())));
        }
        const QUrl parsed = QUrl::fromEncoded(QByteArray::fromStdString(url), QUrl::StrictMode);
        QVERIFY(parsed.isValid());
        QCOMPARE(parsed.scheme(), QString("mailto"));
        QCOMPARE(parsed.toEncoded(), QByteArray::fromStdString(url));  // survives Qt unchanged
        QStringList recipients;
        for (const QString& part : parsed.path(QUrl::FullyEncoded).split(u',')) {
            recipients << QUrl::fromPercentEncoding(part.toLatin1());
        }
        QCOMPARE(recipients, addresses);
        QCOMPARE(parsed.fragment(), QString());
        const QUrlQuery query(parsed);
        const auto items = query.queryItems(QUrl::FullyDecoded);
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0].first, QString("subject"));
        QCOMPARE(items[0].second, QString());
        QCOMPARE(items[1].first, QString("body"));
        QCOMPARE(items[1].second, QString("\r\n"));
    }
};

QTEST_GUILESS_MAIN(MailMessageTest)
#include "tst_mail_message.moc"
