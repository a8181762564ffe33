#include <QStringEncoder>
#include <QTest>

#include <algorithm>
#include <string>
#include <vector>

#include "exchange/byte_scan.h"
#include "exchange/client_records.h"
#include "exchange/csv_export.h"
#include "exchange/csv_import.h"
#include "exchange/header_mapping.h"
#include "exchange/line_breaks.h"
#include "exchange/vcard_export.h"
#include "store/files.h"
#include "store/history.h"
#include "store/text_field.h"
#include "support/temp_data_folder.h"

using namespace exchange;

namespace {

// A contact's fields in FieldNames order, joined with "|", for comparing at a glance.
QString Fields(const Contact& c) {
    return QString::fromStdString(c.client + "|" + c.address + "|" + c.city + "|" + c.state + "|" +
                                  c.zip + "|" + c.contact + "|" + c.phone + "|" + c.ext + "|" +
                                  c.fax + "|" + c.cell + "|" + c.gatekeeper + "|" + c.email + "|" +
                                  c.followUpDate + "|" + c.followUpAction + "|" + c.history);
}

Contact FromFields(const QString& joined) {
    const QStringList f = joined.split('|');
    const auto at = [&](int i) { return f.value(i).toStdString(); };
    return {at(0), at(1), at(2),  at(3),  at(4),  at(5),  at(6), at(7),
            at(8), at(9), at(10), at(11), at(12), at(13), at(14)};
}

std::vector<Contact> Imported(const std::string& bytes) {
    const CsvReading reading = ReadCsv(bytes);
    if (!reading.error.empty()) qWarning("%s", reading.error.c_str());
    return ContactsFromRows(reading.table.rows, MapHeader(reading.table.header));
}

}  // namespace

class CsvTest : public QObject {
    Q_OBJECT

private slots:
    void exportWritesQuotedFieldsAndCrLfRows() {
        const Contact c = FromFields("Acme, Inc.|1 \"Main\" St||||||||| Joe ||2026-03-01||a\nb");
        QCOMPARE(CsvText({&c, 1}),
                 std::string("\xEF\xBB\xBF"
                             "Client,Address,City,State,Zip,Contact,Phone,Ext,Fax,Cell,"
                             "Gatekeeper,E-mail,Follow-up date,Follow-up action,History\r\n"
                             "\"Acme, Inc.\",\"1 \"\"Main\"\" St\",,,,,,,,,\" Joe \",,"
                             "2026-03-01,,\"a\r\nb\"\r\n"));
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("fields");
        QTest::newRow("a plain client comes back whole")
            << "Acme|1 Main St|Springfield|IL|62701|Ann Lee|555-0100|12|555-0101|555-0102|Bob|"
               "a@acme.com; b@acme.com|2026-01-31|Call back|Met at fair";
        QTest::newRow("separators, quotes and blanks at the ends survive")
            << "A;B,C|\"Q\"|\tTab| x ||||||||||;|";
        QTest::newRow("history line breaks stay inside their field")
            << "Acme||||||||||||||first\nsecond\n\nfourth";
        QTest::newRow("accented letters and the euro sign survive")
            << "Café Müller|Straße||||Zoë|||||||||12 € paid";
    }
    void roundTrip() {
        QFETCH(QString, fields);
        const std::vector<Contact> contacts{FromFields(fields), FromFields("Second")};
        const std::vector<Contact> back = Imported(CsvText(contacts));
        QCOMPARE(back.size(), contacts.size());
        QCOMPARE(Fields(back[0]), fields);
        QCOMPARE(Fields(back[1]), Fields(contacts[1]));
    }

    void headerMapping_data() {
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("fields");
        QTest::newRow("Outlook's columns map, name parts and e-mails joined")
            << "Title,First Name,Middle Name,Last Name,Company,Business Street,Business Street 2,"
               "Business City,Business State,Business Postal Code,Business Fax,Business Phone,"
               "Mobile Phone,Assistant's Name,E-mail Address,E-mail 2 Address,Notes\n"
               "Dr.,Ann,B.,Lee,Acme,1 Main St,Suite 4,Springfield,IL,62701,555-1,555-2,555-3,"
               "Bob,a@x.com,b@x.com,Met\n"
            << "Acme|1 Main St, Suite 4|Springfield|IL|62701|Ann B. Lee|555-2||555-1|555-3|Bob|"
               "a@x.com; b@x.com|||Met";
        QTest::newRow("Google's older columns map and the first phone counts")
            << "Name,Given Name,Additional Name,Family Name,Notes,E-mail 1 - Type,"
               "E-mail 1 - Value,Phone 1 - Type,Phone 1 - Value,Phone 2 - Value,"
               "Address 1 - Street,Address 1 - City,Address 1 - Region,Address 1 - Postal Code,"
               "Organization 1 - Name\n"
               "Ann Lee,,,,Hi,Work,a@x.com,Work,,555-9,5 Elm,Paris,IDF,75001,Acme\n"
            << "Acme|5 Elm|Paris|IDF|75001|Ann Lee|555-9|||||a@x.com|||Hi";
        QTest::newRow("Google's newer columns map")
            << "First Name,Last Name,Organization Name,E-mail 1 - Value,E-mail 2 - Value\n"
               "Ann,Lee,Acme,a@x.com,b@x.com\n"
            << "Acme|||||Ann Lee||||||a@x.com; b@x.com|||";
        QTest::newRow("Thunderbird's columns map and the display name stands in for no parts")
            << "First Name,Last Name,Display Name,Primary Email,Secondary Email,Work Phone,"
               "Fax Number,Mobile Number,Work Address,Work City,Work State,Work ZipCode,"
               "Organization,Notes\n"
               ",,Ann Lee,a@x.com,,555-1,555-2,555-3,1 Main,Lyon,RH,69001,Acme,n\n"
            << "Acme|1 Main|Lyon|RH|69001|Ann Lee|555-1||555-2|555-3||a@x.com|||n";
        QTest::newRow("plain names map without regard to case")
            << "FULL NAME,email,Phone,Street,Postal code,Region,Unknown\n"
               "Ann Lee,a@x.com,555,1 Main,12345,TX,dropped\n"
            << "|1 Main||TX|12345|Ann Lee|555|||||a@x.com|||";
    }
    void headerMapping() {
        QFETCH(QString, csv);
        QFETCH(QString, fields);
        const std::vector<Contact> contacts = Imported(csv.toStdString());
        QCOMPARE(contacts.size(), std::size_t{1});
        QCOMPARE(Fields(contacts[0]), fields);
    }

    void readingFormats_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        QTest::newRow("commas in UTF-8 with a byte-order mark")
            << QByteArray(
                   "\xEF\xBB\xBF"
                   "Client,City\r\nCaf\xC3\xA9,\"Oslo\"\r\n")
            << "UTF-8";
        QTest::newRow("semicolons in UTF-8 without a mark")
            << QByteArray("Client;City\nCaf\xC3\xA9;Oslo\n") << "UTF-8";
        QTest::newRow("tabs in Windows-1252, no line break at the end")
            << QByteArray("Client\tCity\nCaf\xE9\tOslo") << "Windows-1252";
        QTest::newRow("an Excel separator line names semicolons although commas are more")
            << QByteArray("sep=;\nClient;City\nCaf\xC3\xA9, Ltd;Oslo\n") << "UTF-8";
        QTest::newRow("UTF-16 with its mark, old Mac line breaks")
            << QByteArray(QStringEncoder(
                   QStringConverter::Utf16LE,
                   QStringConverter::Flag::WriteBom)(QString::fromUtf8("Client,City\rCafé,Oslo")))
            << "UTF-16";
    }
    void readingFormats() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        const CsvReading reading = ReadCsv(bytes.toStdString());
        QCOMPARE(QString::fromStdString(reading.error), QString());
        QCOMPARE(QString::fromStdString(reading.table.encoding), encoding);
        QCOMPARE(reading.table.header, (std::vector<std::string>{"Client", "City"}));
        QCOMPARE(reading.table.rows.size(), std::size_t{1});
        const std::string client(reading.table.rows[0].field(0));
        QVERIFY(client == "Café" || client == "Café, Ltd");
        QCOMPARE(reading.table.rows[0].field(1), std::string_view("Oslo"));
    }

    void quotedLineBreaksKeepRowsAndLineNumbers() {
        const CsvReading reading =
            ReadCsv("Client,History\r\n\r\nA,\"one\r\ntwo\"\r\nB,\"x\ny\"\n,,\nC\n");
        QCOMPARE(reading.table.rows.size(), std::size_t{3});
        QCOMPARE(reading.table.rows[0].field(1), std::string_view("one\ntwo"));
        QCOMPARE(reading.table.rows[1].line, std::size_t{5});
        QCOMPARE(reading.table.rows[2].line, std::size_t{8});
        QCOMPARE(reading.table.rows[2].texts(), (std::vector<std::string>{"C", ""}));
    }

    void badFileNamesItsLine_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("a quoted field left open is named by the line it opens on")
            << QByteArray("Client,History\nA,b\nB,\"never\nclosed\n")
            << "Line 3: a quoted field is not closed.";
        QTest::newRow("a quote inside an unquoted field is named")
            << QByteArray("Client\nA\n5'10\"\n") << "Line 3: a field holds a quote";
        QTest::newRow("text after a closing quote is named")
            << QByteArray("Client\n\"A\"B\n") << "Line 2: a quoted field goes on";
        QTest::newRow("a row with more texts than column names is named")
            << QByteArray("Client,City\nA,B,,\nA,B,C\n") << "Line 3: the row has 3 fields";
        QTest::newRow("a NUL byte is named")
            << QByteArray("Client\nA\nB\0", 11) << "Line 3: the file holds a NUL character";
        QTest::newRow("a file of blank lines is empty")
            << QByteArray(" \n\n") << "The file holds no header row";
    }
    void badFileNamesItsLine() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const CsvReading reading = ReadCsv(bytes.toStdString());
        QVERIFY2(QString::fromStdString(reading.error).startsWith(error), reading.error.c_str());
        QVERIFY(reading.table.rows.empty());
    }

    // Files large enough to be read in two halves at once, with what may break that near
    // the middle: many-line quoted fields, lone CRs, and faults only the library reads.
    void largeFilesReadAsTheLibraryReadsThem_data() {
        QTest::addColumn<QByteArray>("late");
        QTest::addColumn<QString>("error");
        QTest::newRow("a plain file") << QByteArray("Z,\"last\r\nrow\"\r\n") << QString();
        QTest::newRow("lone CRs end lines") << QByteArray("Z,\"a\rb\"\rY,c\r") << QString();
        QTest::newRow("blanks after a closing quote") << QByteArray("Z,\"a\"  \n") << QString();
        QTest::newRow("a stray quote late in the file")
            << QByteArray("Z,5'10\"\n") << "Line 6002: a field holds a quote";
        QTest::newRow("a quoted field left open")
            << QByteArray("Z,\"open\n") << "Line 6002: a quoted field is not closed.";
    }
    void largeFilesReadAsTheLibraryReadsThem() {
        QFETCH(QByteArray, late);
        QFETCH(QString, error);
        std::string bytes = "Client,History\r\n";
        for (int row = 0; row < 2000; ++row) {
            bytes += "C" + std::to_string(row) + ",\"" + std::string(120, 'h') +
                     "\r\n\"\"q\"\"\r\n" + std::string(60, 'i') + "\"\r\n";
        }
        bytes += late.toStdString();
        const CsvReading fastest = ReadCsv(bytes);
        const CsvReading library = ReadCsv(bytes, CsvReadingWay::LibraryOnly);
        QVERIFY2(QString::fromStdString(fastest.error).startsWith(error), fastest.error.c_str());
        QCOMPARE(fastest.error, library.error);
        QCOMPARE(fastest.table.rows.size(), library.table.rows.size());
        for (std::size_t i = 0; i < fastest.table.rows.size(); ++i) {
            QCOMPARE(fastest.table.rows[i].line, library.table.rows[i].line);
            QCOMPARE(fastest.table.rows[i].texts(), library.table.rows[i].texts());
        }
        if (error.isEmpty()) QVERIFY(fastest.table.rows.size() >= 2001);
    }

    // The scanners that look through sixteen bytes at a time find and count what a byte-by-byte
    // look does, on either side of their block sizes (and of the counter's 255 blocks).
    void scannersAgreeWithByteByByte_data() {
        QTest::addColumn<int>("size");
        for (const int size : {0, 15, 16, 17, 255 * 16, 255 * 16 + 17, 9000}) {
            QTest::newRow(QByteArray::number(size).constData()) << size;
        }
    }
    void scannersAgreeWithByteByByte() {
        QFETCH(int, size);
        std::string text(static_cast<std::size_t>(size), 'a');
        // Quotes everywhere, densest at the end, then a line break as the last byte.
        for (std::size_t i = 0; i < text.size(); i += 1 + (text.size() - i) / 7) text[i] = '"';
        if (!text.empty()) text.back() = '\n';
        QCOMPARE(CountOf(text, '"'),
                 static_cast<std::size_t>(std::count(text.begin(), text.end(), '"')));
        const std::size_t lineBreak = std::min(text.find_first_of("\r\n"), text.size());
        QCOMPARE(FindFirst(text, 0, BytesOf("\r\n")), lineBreak);
    }

    // Every kind of line break becomes LF, made in a new text or in the text's own room alike.
    void lineBreaksBecomeLf_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("none") << QByteArray("") << QByteArray("");
        QTest::newRow("LF only") << QByteArray("a\nb\n") << QByteArray("a\nb\n");
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\nb\n");
        QTest::newRow("lone CRs") << QByteArray("\ra\rb\r") << QByteArray("\na\nb\n");
        QTest::newRow("mixed, long lines")
            << QByteArray(40, 'x') + "\r\r\n\n" + QByteArray(40, 'y') + "\n\r"
            << QByteArray(40, 'x') + "\n\n\n" + QByteArray(40, 'y') + "\n\n";
    }
    void lineBreaksBecomeLf() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        const std::string original = text.toStdString();
        QCOMPARE(QByteArray::fromStdString(WithLineBreaks(original, "\n")), expected);
        QCOMPARE(QByteArray::fromStdString(WithLfLineBreaks(std::string(original))), expected);
    }

    // Clients exported with their histories, read as the file is written in pieces on several
    // threads, give the file the texts made from their gathered contacts give, in the same order.
    void clientsExportAsTheirContactsDo_data() {
        QTest::addColumn<int>("clients");
        QTest::addColumn<bool>("asVCard");
        for (const int clients : {0, 1, 64, 65, 300}) {
            for (const bool asVCard : {false, true}) {
                const QByteArray name = QByteArray::number(clients) + (asVCard ? " vCard" : " CSV");
                QTest::newRow(name.constData()) << clients << asVCard;
            }
        }
    }
    void clientsExportAsTheirContactsDo() {
        QFETCH(int, clients);
        QFETCH(bool, asVCard);
        const testing::TempDataFolder folder;
        std::vector<store::ClientRecord> records(static_cast<std::size_t>(clients));
        for (int i = 0; i < clients; ++i) {
            store::ClientRecord& record = records[static_cast<std::size_t>(i)];
            record.InUse = 1;
            record.ClientNumber = i + 1;
            store::StoreField(record.ClientName, "Client " + std::to_string(i));
            // Every third without a history; the others of differing lengths.
            if (i % 3 != 0) {
                QVERIFY(store::WriteHistory(
                    i + 1, std::string(static_cast<std::size_t>(i), 'h') + "\r\nlast line"));
            }
        }
        const std::string path = folder.path() + (asVCard ? "out.vcf" : "out.csv");
        std::vector<Contact> contacts;
        for (const store::ClientRecord& record : records) {
            bool unreadable = false;
            contacts.push_back(ContactOfClient(record, unreadable));
        }
        const bool written = asVCard ? ExportClientsVCard(records, path).written
                                     : ExportClientsCsv(records, path).error.empty();
        QVERIFY(written);
        const auto bytes = store::ReadFileBytes(path, 1 << 24);
        QVERIFY(bytes.has_value());
        QCOMPARE(*bytes, asVCard ? VCardText(contacts) : CsvText(contacts));
    }

    void exportFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("a file beside the data folder is written")
            << "out.csv"
            << "2 clients were exported to \"%1out.csv\".";
        QTest::newRow("a file inside the data folder is refused")
            << "Data/out.csv"
            << "The clients cannot be exported into the program's data folder";
        QTest::newRow("the data file itself is refused")
            << "Data/Clients.dat"
            << "The clients cannot be exported into the program's data folder";
        QTest::newRow("a folder is refused") << ""
                                             << "The clients could not be exported to";
    }
    void exportFile() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        const testing::TempDataFolder folder;
        const QString root = QString::fromStdString(folder.path());
        const std::string path = (root + name).toStdString();
        const std::vector<Contact> contacts{FromFields("A"), FromFields("B")};
        const std::string shown = CsvExportMessage(ExportCsvFile(contacts, path));
        QVERIFY2(QString::fromStdString(shown).startsWith(message.replace("%1", root)),
                 shown.c_str());
        const auto written = store::ReadFileBytes(path, 1 << 20);
        QCOMPARE(written.has_value(), name == "out.csv");
    }
};

QTEST_GUILESS_MAIN(CsvTest)
#include "tst_csv.moc"
