#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QStringEncoder>
#include <QTest>

#include <cstring>
#include <string>
#include <vector>

#include "exchange/client_records.h"
#include "exchange/csv_export.h"
#include "exchange/csv_import.h"
#include "exchange/export_file.h"
#include "exchange/header_mapping.h"
#include "exchange/import_file.h"
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
    return {at(0), at(1), at(2),  at(3),  at(4),  at(5),  at(6),  at(7),
            at(8), at(9), at(10), at(11), at(12), at(13), at(14), {}};
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
        QTest::newRow("separators, quotes, tabs and blanks inside survive")
            << "A;B,C|\"Q\"|Tab\there|x  y||||||||||;|";
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
        const std::string client(reading.table.rows[0].fields[0]);
        QVERIFY(client == "Café" || client == "Café, Ltd");
        QCOMPARE(reading.table.rows[0].fields[1], "Oslo");
    }

    // A stray byte in UTF-8 is shown as "?" and its line named; only a file that is mostly not
    // UTF-8 is Windows-1252; half a UTF-16 character at the end is named, not dropped unsaid.
    void unreadableBytesAreShownAndNoted_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("lastClient");
        QTest::addColumn<QStringList>("notes");
        QTest::newRow("a stray byte in a UTF-8 file is shown as a question mark on its line")
            << QByteArray("Client\nCaf\xC3\xA9 Zo\xC3\xAB M\xC3\xBCller\nB\xFCro\n") << "UTF-8"
            << "B?ro"
            << QStringList{"Bytes that are no UTF-8 characters are shown as \"?\" on line 3."};
        QTest::newRow("stray bytes after a UTF-8 mark name every line holding one")
            << QByteArray(
                   "\xEF\xBB\xBF"
                   "Client\r\nA\xFF\r\nB\xFE\xFF\r\n")
            << "UTF-8"
            << "B??"
            << QStringList{
                   "Bytes that are no UTF-8 characters are shown as \"?\" on lines 2 and 3."};
        QTest::newRow("a file mostly of bytes that are no UTF-8 is Windows-1252")
            << QByteArray("Client\nCaf\xE9\nM\xFCller\n\xC3\xA9t\xE9\n") << "Windows-1252"
            << QString::fromUtf8("\xC3\x83\xC2\xA9t\xC3\xA9") << QStringList{};
        QTest::newRow("half a UTF-16 character at the end is named")
            << QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)(
                   QString::fromUtf8("Client\nCaf\xC3\xA9"))
                       .
                       operator QByteArray() +
                   'x'
            << "UTF-16" << QString::fromUtf8("Caf\xC3\xA9")
            << QStringList{"The file ends in half a UTF-16 character, which is left out."};
    }
    void unreadableBytesAreShownAndNoted() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, notes);
        const CsvReading reading = ReadCsv(bytes.toStdString());
        QCOMPARE(QString::fromStdString(reading.error), QString());
        QTEST(QString::fromStdString(reading.table.encoding), "encoding");
        QVERIFY(!reading.table.rows.empty());
        QTEST(QString::fromStdString(std::string(reading.table.rows.back().fields[0])),
              "lastClient");
        QStringList read;
        for (const std::string& note : reading.table.notes) read << QString::fromStdString(note);
        QCOMPARE(read, notes);
    }

    // Blanks around unquoted fields go (a tab too, unless it separates); quoted texts stay
    // whole; a short row is filled up, and empty fields past the header's are dropped.
    void fieldsAsRead_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("rows");  // each row's fields joined with "|"
        QTest::newRow("trailing blanks and tabs of unquoted fields are dropped")
            << QByteArray("Client,City\nAcme  ,\t Oslo\t \nB \t,C")
            << QStringList{"Acme|Oslo", "B|C"};
        QTest::newRow("blanks inside quotes are kept")
            << QByteArray("Client;City\n\" Acme \" ; Oslo\n") << QStringList{" Acme |Oslo"};
        QTest::newRow("tabs that separate keep empty fields between them")
            << QByteArray("Client\tCity\tZip\nAcme \t\t1 \n") << QStringList{"Acme||1"};
        QTest::newRow("a short row is filled up, empty fields past the header's are dropped")
            << QByteArray("Client,City,Zip\nA\nB,C,D,,\n") << QStringList{"A||", "B|C|D"};
    }
    void fieldsAsRead() {
        QFETCH(QByteArray, bytes);
        const CsvReading reading = ReadCsv(bytes.toStdString());
        QCOMPARE(QString::fromStdString(reading.error), QString());
        QStringList rows;
        for (const CsvRow& row : reading.table.rows) {
            QStringList fields;
            for (const std::string& text : row.fields) fields << QString::fromStdString(text);
            rows << fields.join('|');
        }
        QTEST(rows, "rows");
    }

    // Only a normal file is read: anything else is refused at once, whatever its name, and says
    // what it is; so is a file past the largest size read.
    void onlyFilesAreRead_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("error");  // after the path in quotes
        QTest::newRow("a named pipe with nobody writing is refused at once")
            << "pipe.csv"
            << "is a named pipe (FIFO), not a file: only files can be imported.";
        QTest::newRow("a socket is refused")
            << "socket.csv"
            << "is a socket, not a file: only files can be imported.";
        QTest::newRow("a device is refused")
            << "/dev/null"
            << "is a device, not a file: only files can be imported.";
        QTest::newRow("a folder is refused")
            << "folder.csv"
            << "is a folder, not a file: only files can be imported.";
        QTest::newRow("a file past 64 MB is refused")
            << "large.csv"
            << "is larger than a file to import can be (64 MB).";
        QTest::newRow("a missing file is named") << "missing.csv"
                                                 << "cannot be read: there is no such file.";
        QTest::newRow("a normal file is read") << "clients.csv"
                                               << "";
    }
    void onlyFilesAreRead() {
        QFETCH(QString, name);
        QFETCH(QString, error);
        const testing::TempDataFolder folder;
        const std::string path =
            name.startsWith('/') ? name.toStdString() : folder.path() + name.toStdString();
        QVERIFY(::mkfifo((folder.path() + "pipe.csv").c_str(), 0600) == 0);
        QVERIFY(::mkdir((folder.path() + "folder.csv").c_str(), 0700) == 0);
        QVERIFY(store::ReplaceFileSafely(folder.path() + "clients.csv", "Client\nAcme\n"));
        QVERIFY(store::ReplaceFileSafely(folder.path() + "large.csv", ""));
        QVERIFY(::truncate((folder.path() + "large.csv").c_str(),
                           static_cast<off_t>(MaxImportFileBytes) + 1) == 0);
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, (folder.path() + "socket.csv").c_str(),
                     sizeof address.sun_path - 1);
        QVERIFY(::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0);
        const CsvReading reading = ReadCsvFile(path);
        ::close(socket);
        const QString expected =
            error.isEmpty() ? QString() : "\"" + QString::fromStdString(path) + "\" " + error;
        QCOMPARE(QString::fromStdString(reading.error), expected);
        QCOMPARE(reading.table.rows.size(), std::size_t{error.isEmpty() ? 1U : 0U});
    }

    void quotedLineBreaksKeepRowsAndLineNumbers() {
        const CsvReading reading =
            ReadCsv("Client,History\r\n\r\nA,\"one\r\ntwo\"\r\nB,\"x\ny\"\n,,\nC\n");
        QCOMPARE(reading.table.rows.size(), std::size_t{3});
        QCOMPARE(reading.table.rows[0].fields[1], "one\ntwo");
        QCOMPARE(reading.table.rows[1].line, std::size_t{5});
        QCOMPARE(reading.table.rows[2].line, std::size_t{8});
        QCOMPARE(reading.table.rows[2].fields, (std::vector<std::string>{"C", ""}));
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

    // Every kind of line break becomes LF.
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
    }

    // Clients exported with their histories, read as the file is written, give the file the
    // texts made from their gathered contacts give, in the same order.
    void clientsExportAsTheirContactsDo_data() {
        QTest::addColumn<int>("clients");
        QTest::addColumn<bool>("asVCard");
        for (const int clients : {0, 4}) {
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
        QVERIFY(ExportClients(records, path, asVCard ? ExportFormat::VCard : ExportFormat::Csv)
                    .written);
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
        const std::string shown = ExportContacts(contacts, path, ExportFormat::Csv).message;
        QVERIFY2(QString::fromStdString(shown).startsWith(message.replace("%1", root)),
                 shown.c_str());
        const auto written = store::ReadFileBytes(path, 1 << 20);
        QCOMPARE(written.has_value(), name == "out.csv");
    }
};

QTEST_GUILESS_MAIN(CsvTest)
#include "tst_csv.moc"
