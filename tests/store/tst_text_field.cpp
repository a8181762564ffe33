#include <QTest>

#include <string>

#include "store/client_record.h"
#include "store/text_field.h"

using namespace store;

class TextFieldTest : public QObject {
    Q_OBJECT

private slots:
    void storing_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("blanks around a name are dropped and the rest padded")
            << "  Acme  " << QByteArray("Acme") + QByteArray(46, ' ');
        QTest::newRow("an empty text is all blanks") << "" << QByteArray(50, ' ');
        QTest::newRow("control characters become blanks, and are dropped at the ends")
            << QString::fromLatin1(
                   "\tA\x01"
                   "B\x7f\n")
            << QByteArray("A B") + QByteArray(47, ' ');
        QTest::newRow("control characters beside an accented letter likewise")
            << QString::fromUtf8(
                   "\t\u00e9\x01"
                   "B\n")
            << QByteArray("\xe9 B") + QByteArray(47, ' ');
        QTest::newRow("a text longer than the field is cut at its width")
            << QString(60, 'x') << QByteArray(50, 'x');
        QTest::newRow("accented letters take one byte each")
            << QString::fromUtf8("Müller & Söhne")
            << QByteArray("M\xfcller & S\xf6hne") + QByteArray(36, ' ');
        QTest::newRow("the euro sign has its Windows-1252 byte")
            << QString::fromUtf8("€ 5") << QByteArray("\x80 5") + QByteArray(47, ' ');
        QTest::newRow("a character without a Windows-1252 form becomes a question mark")
            << QString::fromUtf8("日本 Ltd") << QByteArray("?? Ltd") + QByteArray(44, ' ');
        QTest::newRow("a letter and its combining accent are composed into one byte")
            << QString::fromUtf8("Cafe\u0301") << QByteArray("Caf\xe9") + QByteArray(46, ' ');
        QTest::newRow("a long text of accented letters is cut between characters")
            << QString(55, QChar(0xE9)) << QByteArray(50, '\xe9');
    }
    void storing() {
        QFETCH(QString, typed);
        QFETCH(QByteArray, stored);
        ClientRecord record{};
        StoreField(record.ClientName, typed.toStdString());
        QCOMPARE(QByteArray(record.ClientName.data(), 50), stored);
        QCOMPARE(QString::fromStdString(FieldText(record.ClientName)),
                 QString::fromStdString(DecodeWindows1252(
                     TrimBlanksAndNuls(std::string_view(stored.constData(), 50)))));
    }

    void readingTrimsBlanksAndNulsAtBothEnds() {
        ClientRecord record{};
        std::memcpy(record.City.data(), "\0\0 Town \0\0", 10);
        QCOMPARE(FieldText(record.City), std::string("Town"));
        QCOMPARE(FieldText(record.Address), std::string());
    }

    void everyByteSurvivesDecodingAndEncoding() {
        std::string all;
        for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
        QCOMPARE(EncodeWindows1252(DecodeWindows1252(all)), all);
    }

    // The ASCII checks look at words and blocks of bytes: a high byte anywhere, on either side
    // of their sizes, is found where a byte-by-byte look finds it.
    void asciiChecksFindEveryHighByte() {
        for (const std::size_t size : {0U, 1U, 7U, 8U, 9U, 31U, 32U, 33U, 64U, 65U, 100U}) {
            for (std::size_t high = 0; high <= size; ++high) {  // `size`: none
                std::string text(size, 'a');
                if (high < size) text[high] = '\xE9';
                QCOMPARE(IsAscii(text), high == size);
                QCOMPARE(AsciiPrefixLength(text), high);
            }
        }
    }

    void brokenUtf8BecomesAQuestionMark() {
        QCOMPARE(EncodeWindows1252("a\xff"
                                   "b"),
                 std::string("a?b"));
    }
};

QTEST_APPLESS_MAIN(TextFieldTest)
#include "tst_text_field.moc"
