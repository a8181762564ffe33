#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

#include <vector>

#include "exchange/client_records.h"
#include "exchange/export_file.h"
#include "exchange/vcard_export.h"
#include "exchange/vcard_import.h"
#include "support/temp_data_folder.h"

namespace {

// The non-empty fields of a contact, named, so that a difference shows which field it is.
QString Describe(const exchange::Contact& c) {
    const std::string* fields[] = {&c.client,       &c.address,        &c.city,       &c.state,
                                   &c.zip,          &c.contact,        &c.phone,      &c.ext,
                                   &c.fax,          &c.cell,           &c.gatekeeper, &c.email,
                                   &c.followUpDate, &c.followUpAction, &c.history};
    QStringList parts;
    for (std::size_t i = 0; i < exchange::FieldNames.size(); ++i) {
        if (fields[i]->empty()) continue;
        parts << QString::fromUtf8(exchange::FieldNames[i].data(),
                                   static_cast<qsizetype>(exchange::FieldNames[i].size())) +
                     "=" + QString::fromStdString(*fields[i]);
    }
    for (const std::string& extra : c.extras) parts << "+ " + QString::fromStdString(extra);
    return parts.join(" | ");
}

QString DescribeAll(const std::vector<exchange::Contact>& contacts) {
    QStringList cards;
    for (const auto& contact : contacts) cards << Describe(contact);
    return cards.join("\n");
}

exchange::Contact Full() {
    return {"Acme, Inc.; Sales",
            "12 Main St",
            "Springfield",
            "IL",
            "62701",
            "John Q. Doe",
            "217-555-0100",
            "12",
            "217-555-0101",
            "217-555-0111",
            "Martha",
            "jd@acme.example; "
            "sales@acme.example",
            "2026-03-14",
            "Send the quote",
            "First call\nSecond call",
            {}};
}

// A file of numbered cards written as address books write them, each with a history folded
// over several lines, the blocks given put after the cards named.
QByteArray Cards(int count, const QByteArray& eol, const QMap<int, QByteArray>& after = {}) {
    QByteArray file;
    for (int i = 1; i <= count; ++i) {
        const QByteArray n = QByteArray::number(i);
        file += "BEGIN:VCARD" + eol + "VERSION:3.0" + eol + "FN:Person " + n + eol + "NOTE:Call " +
                n + " about the order\\nand the" + eol + "  price" + eol + after.value(i) +
                "END:VCARD" + eol;
    }
    return file;
}

}  // namespace

class TestVCard : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data() {
        QTest::addColumn<exchange::Contact>("contact");
        QTest::newRow("every field filled comes back") << Full();
        exchange::Contact company;
        company.client = "Northwind";
        company.ext = "7";
        QTest::newRow("a client without contact or number keeps both empty") << company;
        exchange::Contact odd = Full();
        odd.contact = "Zoë";
        // Folding never cuts a character of three octets, wherever the line ends.
        odd.history = std::string(300, 'a') + "é\\,;\r\nnext ü" + std::string(200, 'x') +
                      QString("€").repeated(60).toStdString();
        odd.address = "Route 9\\North; Bldg, 3";
        QTest::newRow("escaped, folded and non-ASCII texts come back") << odd;
    }
    void roundTrip() {
        QFETCH(exchange::Contact, contact);
        const std::vector<exchange::Contact> contacts{contact, Full()};
        const std::string text = exchange::VCardText(contacts);
        // Every line within 75 octets, CR LF ended, and whole UTF-8 characters.
        for (const QByteArray& line : QByteArray::fromStdString(text).split('\n')) {
            if (line.isEmpty()) continue;
            QVERIFY2(line.endsWith('\r') && line.size() <= 76, line.constData());
            QStringDecoder utf8(QStringConverter::Utf8);
            (void)QString(utf8(line));
            QVERIFY2(!utf8.hasError(), line.constData());
        }
        const exchange::VCardReading read = exchange::ReadVCards(text);
        QCOMPARE(QString::fromStdString(read.error), QString());
        // The history's line breaks come back as "\n".
        exchange::Contact expected = contact;
        expected.history =
            QString::fromStdString(contact.history).replace("\r\n", "\n").toStdString();
        QCOMPARE(DescribeAll(read.contacts), DescribeAll({expected, Full()}));
    }

    void readsCards_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("contacts");
        QTest::newRow("vCard 2.1 quoted-printable ISO-8859-1 with soft line breaks, bare types")
            << QByteArray(
                   "BEGIN:VCARD\r\nVERSION:2.1\r\n"
                   "N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;J=FCrgen\r\n"
                   "ORG:B\xE4"
                   "ckerei Huber\r\n"
                   "ADR;WORK;CHARSET=ISO-8859-1;QUOTED-PRINTABLE:;;Hauptstra=DFe 5;M=FCnchen;"
                   "BY;80331;Germany\r\n"
                   "TEL;WORK;VOICE:089 1234 x7\r\nTEL;WORK;FAX:089 1235\r\nTEL;CELL:0170 5\r\n"
                   "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=ISO-8859-1:First=0D=0ASecond =\r\n"
                   "line, gr=FC=DFe\r\nEMAIL;PREF;INTERNET:j@example.de\r\n"
                   "X-UNKNOWN:ignored\r\nEND:VCARD\r\n")
            << QString(
                   "Client=Bäckerei Huber | Address=Hauptstraße 5 | City=München | State=BY | "
                   "Zip=80331 | Contact=Jürgen Müller | Phone=089 1234 | Ext=7 | Fax=089 1235 "
                   "| Cell=0170 5 | E-mail=j@example.de | History=First\nSecond line, grüße");
        QTest::newRow("vCard 2.1 windows-1252, a work number before a home one, an AGENT skipped")
            << QByteArray(
                   "BEGIN:VCARD\nVERSION:2.1\nFN:Ann Lee\n"
                   "ORG;CHARSET=windows-1252;ENCODING=QUOTED-PRINTABLE:=93Best=94 Prints\n"
                   "NOTE;CHARSET=windows-1252;QUOTED-PRINTABLE:Costs =80100\n"
                   "TEL;HOME:555-0199\nTEL;WORK:555-0100\nAGENT:\nBEGIN:VCARD\nFN:Bo\n"
                   "END:VCARD\nEND:VCARD\n")
            << QString(
                   "Client=“Best” Prints | Contact=Ann Lee | Phone=555-0100 | "
                   "History=Costs €100 | + Phone (home): 555-0199");
        QTest::newRow("vCard 3.0 folded lines, grouped properties, escapes, an unread bad PHOTO")
            << QByteArray(
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Doe;John;Q.;Mr.;\r\nFN:John Q. Doe\r\n"
                   "ORG:Acme\\, Inc.;Sales\r\nitem1.ADR;type=WORK;type=pref:;;12 Long\\nRo"
                   "ad;Spring\r\n field;IL;62701;USA\r\nitem1.X-ABLabel:work\r\n"
                   "item2.EMAIL;type=INTERNET;type=pref:john@acme.example\r\n"
                   "item3.EMAIL;type=INTERNET:jd@home.example\r\n"
                   "TEL;TYPE=WORK,VOICE:+1 217 555 0100 ext. 44\r\n"
                   "NOTE:Met at the fair\\; wants a quote\\, soon.\\nCall back \r\n\tTues"
                   "day.\r\nPHOTO;ENCODING=b;TYPE=JPEG:!!notbase64\r\nEND:VCARD\r\n")
            << QString(
                   "Client=Acme, Inc. | Address=12 Long, Road | City=Springfield | State=IL "
                   "| Zip=62701 | Contact=John Q. Doe | Phone=+1 217 555 0100 | Ext=44 | "
                   "E-mail=john@acme.example; jd@home.example | History=Met at the fair; "
                   "wants a quote, soon.\nCall back Tuesday.");
        QTest::newRow("vCard 4.0 tel URIs with an extension and quoted type lists, two cards")
            << QByteArray(
                   "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Simon Perreault\r\nORG:Viagenie\r\n"
                   "ADR;TYPE=work:;Suite D2-630;2875 Laurier;Quebec;QC;G1V 2M2;Canada\r\n"
                   "TEL;VALUE=uri;TYPE=\"work,voice\";PREF=1:tel:+1-418-656-9254;ext=102\r\n"
                   "TEL;VALUE=uri;TYPE=\"work,cell,voice\":tel:+1-418-262-6501\r\nEND:VCARD"
                   "\r\n\r\nBEGIN:VCARD\r\nVERSION:4.0\r\nN:Lu;Mei;;Dr.;\r\nEND:VCARD")
            << QString(
                   "Client=Viagenie | Address=2875 Laurier, Suite D2-630 | City=Quebec | "
                   "State=QC | Zip=G1V 2M2 | Contact=Simon Perreault | Phone=+1-418-656-9254 "
                   "| Ext=102 | Cell=+1-418-262-6501\nContact=Dr. Mei Lu");
        QTest::newRow("base64 values of vCard 2.1 and 3.0, folded and with a charset")
            << QByteArray(
                   "BEGIN:VCARD\r\nVERSION:2.1\r\nORG;ENCODING=BASE64;CHARSET=UTF-8:Q2Fm\r\n"
                   " w6kgTm9pcg==\r\n\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:Al\r\n"
                   "NOTE;ENCODING=b:UGFpZAppbiBmdWxs\r\nEND:VCARD\r\n")
            << QString("Client=Café Noir\nContact=Al | History=Paid\nin full");
        QTest::newRow("an escaped Windows-1252 byte in an ASCII history is decoded with it")
            << QByteArray("BEGIN:VCARD\r\nFN:Al\r\nNOTE:fair\\\xBB deal\r\nEND:VCARD\r\n")
            << QString("Contact=Al | History=fair» deal");
        QTest::newRow("folded histories with CR LF, LF and lone CR line ends come out whole")
            << Cards(1, "\r\n") + Cards(1, "\n") + Cards(1, "\r")
            << QStringList(3, "Contact=Person 1 | History=Call 1 about the order\nand the price")
                   .join('\n');
        QTest::newRow("blank lines between cards are no part of either")
            << Cards(2, "\r\n").replace("END:VCARD\r\n", "END:VCARD\r\n\r\n\n")
            << "Contact=Person 1 | History=Call 1 about the order\nand the price\n"
               "Contact=Person 2 | History=Call 2 about the order\nand the price";
        QTest::newRow("TYPE=CELL and MOBILE numbers go to Cell, not Phone")
            << QByteArray(
                   "BEGIN:VCARD\r\nFN:A\r\nTEL;TYPE=CELL:1\r\nTEL;TYPE=VOICE:2\r\nEND:VCARD\r\n"
                   "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:B\r\nTEL;MOBILE:3\r\nEND:VCARD\r\n")
            << "Contact=A | Phone=2 | Cell=1\nContact=B | Cell=3";
        QTest::newRow("of equally ranked numbers and addresses the first is taken, the rest kept")
            << QByteArray(
                   "BEGIN:VCARD\r\nFN:A\r\nTEL;TYPE=HOME:1\r\nTEL;TYPE=HOME:2\r\n"
                   "ADR;TYPE=HOME:;;1 Elm;Oslo;;;\r\nADR;TYPE=HOME:;;2 Oak;Bergen;;;\r\n"
                   "TEL;TYPE=PAGER:3\r\nTITLE:Buyer\r\nURL:http://a.example\r\n"
                   "NOTE:first\r\nNOTE:second\r\nEND:VCARD\r\n")
            << "Address=1 Elm | City=Oslo | Contact=A | Phone=1 | History=first | + Phone (home): "
               "2 | + Address (home): 2 Oak, Bergen | + Pager: 3 | + Title: Buyer | + Web: "
               "http://a.example | + Note: second";
        QTest::newRow("a folded vCard 2.1 line keeps its blank, a later version drops it")
            << QByteArray(
                   "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Ann\r\n Lee\r\nEND:VCARD\r\n"
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bo\r\n  Ek\r\nEND:VCARD\r\n")
            << "Contact=Ann Lee\nContact=Bo Ek";
        QTest::newRow("quoted-printable bytes at a value's end are decoded, soft breaks joined")
            << QByteArray(
                   "BEGIN:VCARD\r\nVERSION:2.1\r\nN;ENCODING=QUOTED-PRINTABLE;"
                   "CHARSET=UTF-8:Lee;Caf=\r\n=C3=A9\r\nEND:VCARD\r\n")
            << QString("Contact=Café Lee");
        QTest::newRow(
            "an \"=\" without two hex digits after it stays as written in quoted-printable")
            << QByteArray(
                   "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:A\r\n"
                   "NOTE;QUOTED-PRINTABLE:1=3D1, =ZZ, =4g and =4\r\nEND:VCARD\r\n")
            << QString("Contact=A | History=1=1, =ZZ, =4g and =4");
        QTest::newRow("blanks at a history's end go, its last line break stays")
            << QByteArray("BEGIN:VCARD\r\nFN:A\r\nNOTE:Paid \\nin full\\n \t\r\nEND:VCARD\r\n")
            << QString("Contact=A | History=Paid \nin full\n");
        QTest::newRow("backslashes of vCard 2.1 are no escapes, but of later versions are")
            << QByteArray(
                   "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:A\r\nNOTE:C:\\new\\notes\\;x\r\n"
                   "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:4.0\r\nFN:B\r\n"
                   "NOTE:a\\Nb\\nc\\\\d\\,e\r\nEND:VCARD\r\n")
            << "Contact=A | History=C:\\new\\notes;x\nContact=B | History=a\nb\nc\\d,e";
        QTest::newRow("cards that fill no field are no clients, in any letters' case")
            << QByteArray(
                   "begin:vcard\nversion:3.0\nend:vcard\nbegin:vcard\nfn:A\nx-other:1\n"
                   "end:vcard\nBEGIN:VCARD\nTITLE:Buyer\nEND:VCARD\n")
            << "Contact=A";
        QTest::newRow("stray bytes in a UTF-8 file are shown as question marks")
            << QByteArray(
                   "BEGIN:VCARD\nFN:Zo\xC3\xAB \xFF\nORG:B\xFCro \xC3\xA9t\xC3\xA9\nEND:VCARD\n")
            << QString("Client=B?ro été | Contact=Zoë ?");
    }
    void readsCards() {
        QFETCH(QByteArray, file);
        const exchange::VCardReading read = exchange::ReadVCards(file.toStdString());
        QCOMPARE(QString::fromStdString(read.error), QString());
        QTEST(DescribeAll(read.contacts), "contacts");
        // Only the file of stray bytes has a note, naming their lines in the file's order.
        const bool stray = QString(QTest::currentDataTag()).contains("stray");
        QCOMPARE(read.notes,
                 stray ? std::vector<std::string>{"Bytes that are no UTF-8 characters are shown "
                                                  "as \"?\" on lines 2 and 3."}
                       : std::vector<std::string>{});
    }

    // A vCard file is told by what it holds, whatever its name.
    void vCardFilesAreToldByTheirText_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("vCard");
        QTest::newRow("lower case after blank lines")
            << QByteArray("\r\n  begin:vcard\r\n") << true;
        QTest::newRow("UTF-16 with its mark")
            << QStringEncoder(QStringConverter::Utf16BE,
                              QStringConverter::Flag::WriteBom)(QString("BEGIN:VCARD\r\n"))
                   .
                   operator QByteArray()
            << true;
        QTest::newRow("a CSV file naming vCards later")
            << QByteArray("Client\nBEGIN:VCARD\n") << false;
    }
    void vCardFilesAreToldByTheirText() {
        QFETCH(QByteArray, file);
        QTEST(exchange::HoldsVCards(file.toStdString()), "vCard");
    }

    void refusesBadFiles_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("error");
        const QByteArray good = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\nEND:VCARD\r\n";
        QTest::newRow("a card without its end names the line it began on")
            << good + "BEGIN:VCARD\r\nFN:B\r\n"
            << "Card 2 (line 6): the file ends inside the card begun on line 5; END:VCARD is "
               "missing.";
        QTest::newRow("a card begun inside another names both")
            << good + "BEGIN:VCARD\r\nFN:B\r\nBEGIN:VCARD\r\n"
            << "Card 2 (line 7): a new card begins before this one ends with END:VCARD.";
        QTest::newRow("an end without a beginning names its line")
            << good + "END:VCARD\r\n"
            << "Line 5: END:VCARD without a BEGIN:VCARD before it.";
        QTest::newRow("a line without a colon names its card and line")
            << good + "BEGIN:VCARD\r\nFN:B\r\nno colon here\r\nEND:VCARD\r\n"
            << "Card 2 (line 7): the line has no property name and \":\" before its value.";
        QTest::newRow("an unknown version is named")
            << QByteArray("BEGIN:VCARD\nVERSION:5.0\nEND:VCARD\n")
            << "Card 1 (line 2): vCard version \"5.0\" cannot be read; versions 2.1, 3.0 and 4.0 "
               "can.";
        QTest::newRow("a broken base64 value of a field is named")
            << good + "BEGIN:VCARD\r\nNOTE;ENCODING=b:@@@\r\nEND:VCARD\r\n"
            << "Card 2 (line 6): the base64 value cannot be decoded.";
        QTest::newRow("an unknown character set of a field is named")
            << QByteArray("BEGIN:VCARD\nVERSION:2.1\nFN;CHARSET=X-NONE:A\nEND:VCARD\n")
            << "Card 1 (line 3): the character set \"X-NONE\" is unknown.";
        QTest::newRow("text outside any card is named by its line")
            << "Hello\r\n" + good << "Line 1: the line is not a vCard line \"Hello\".";
        QTest::newRow("a file without cards says so")
            << QByteArray("\r\n\r\n") << "The file holds no vCard: no line reads BEGIN:VCARD.";
        QTest::newRow("a soft line break taking in END:VCARD leaves the card open")
            << QByteArray("BEGIN:VCARD\nNOTE;QUOTED-PRINTABLE:a=\nEND:VCARD\nBEGIN:VCARD\n")
            << "Card 1 (line 4): a new card begins before this one ends with END:VCARD.";
    }
    void refusesBadFiles() {
        QFETCH(QByteArray, file);
        const exchange::VCardReading read = exchange::ReadVCards(file.toStdString());
        QTEST(QString::fromStdString(read.error), "error");
        QVERIFY(read.contacts.empty());
    }

    void writesFilesOnlyOutsideTheDataFolder_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::newRow("a file beside the data folder is written")
            << "clients.vcf"
            << "2 clients were exported to \"%1\".";
        QTest::newRow("a file in the data folder is refused")
            << "Data/clients.vcf"
            << "The clients cannot be exported into the program's data "
               "folder, where their own files are kept. Please choose "
               "another folder.";
        QTest::newRow("the data file reached through a link is refused")
            << "link.vcf"
            << "The clients cannot be exported into the program's data folder, "
               "where their own files are kept. Please choose another folder.";
        QTest::newRow("a folder is refused with the system's reason")
            << "folder"
            << "The clients could not be exported to \"%1\": Is a directory.";
    }
    void writesFilesOnlyOutsideTheDataFolder() {
        QFETCH(QString, path);
        const testing::TempDataFolder folder;
        const QString base = QString::fromStdString(folder.path());
        QFile data(QString::fromStdString(folder.dataFile()));
        QVERIFY(data.open(QIODevice::WriteOnly) && data.write("original") == 8);
        data.close();
        QVERIFY(QFile::link(data.fileName(), base + "link.vcf"));
        QVERIFY(QDir(base).mkdir("folder"));
        const std::vector<exchange::Contact> contacts{Full(), Full()};
        const std::string target = (base + path).toStdString();
        const exchange::ExportResult result =
            exchange::ExportContacts(contacts, target, exchange::ExportFormat::VCard);
        QFETCH(QString, message);
        QCOMPARE(QString::fromStdString(result.message), message.replace("%1", base + path));
        QVERIFY(data.open(QIODevice::ReadOnly));
        QCOMPARE(data.readAll(), QByteArray("original"));
        QFile written(base + "clients.vcf");
        QCOMPARE(result.written, written.exists());
        if (result.written) {
            QVERIFY(written.open(QIODevice::ReadOnly));
            QCOMPARE(written.readAll().toStdString(), exchange::VCardText(contacts));
        }
    }
};

QTEST_GUILESS_MAIN(TestVCard)
#include "tst_vcard.moc"
