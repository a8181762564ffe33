// What an imported contact's fields keep, what goes to the history instead, and what the
// exported files write for spreadsheets and address books.

#include <QTest>

#include <string>
#include <vector>

#include "exchange/client_records.h"
#include "exchange/csv_export.h"
#include "exchange/csv_import.h"
#include "exchange/header_mapping.h"
#include "exchange/vcard_export.h"
#include "followup/day_numbers.h"
#include "platform/clock.h"

using namespace exchange;

namespace {

std::string* Member(Contact& c, const QString& name) {
    std::string* const members[] = {&c.client, &c.address, &c.city,       &c.state,
                                    &c.zip,    &c.contact, &c.phone,      &c.ext,
                                    &c.fax,    &c.cell,    &c.gatekeeper, &c.email};
    for (std::size_t i = 0; i < std::size(members); ++i) {
        if (name.toStdString() == FieldNames[i]) return members[i];
    }
    return nullptr;
}

// "Phone=555|Ext=1" as the pairs it lists.
std::vector<std::pair<QString, QString>> Pairs(const QString& text) {
    std::vector<std::pair<QString, QString>> pairs;
    for (const QString& pair : text.split('|', Qt::SkipEmptyParts)) {
        pairs.emplace_back(pair.section('=', 0, 0), pair.section('=', 1));
    }
    return pairs;
}

// A contact's fields in FieldNames order and its extras, for comparing at a glance.
QString Fields(const Contact& c) {
    std::string text = c.client + "|" + c.address + "|" + c.city + "|" + c.state + "|" + c.zip +
                       "|" + c.contact + "|" + c.phone + "|" + c.ext + "|" + c.fax + "|" + c.cell +
                       "|" + c.gatekeeper + "|" + c.email + "|" + c.history;
    for (const std::string& extra : c.extras) text += "\n" + extra;
    return QString::fromStdString(text);
}

std::vector<Contact> Imported(const std::string& csv) {
    const CsvReading reading = ReadCsv(csv);
    return ContactsFromRows(reading.table.rows, MapHeader(reading.table.header));
}

}  // namespace

class ContactFieldsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        platform::SetClock([] { return platform::SYSTEMTIME{2026, 12, 2, 8, 10, 0, 0, 0}; });
    }
    void cleanup() { platform::SetClock({}); }

    // Each field keeps what its box in the details window would take; the rest, and the whole
    // text of a field cut, are kept in the history under one heading.
    void storingFollowsTheDetailsWindowsRules_data() {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("kept");
        QTest::newRow("a number too long loses its blanks and parentheses")
            << "Phone=(503) 555-0142"
            << "Phone=503-555-0142"
            << "";
        QTest::newRow("a North American number loses its +1 and its dots") << "Fax=+1 503.555.0142"
                                                                           << "Fax=503-555-0142"
                                                                           << "";
        QTest::newRow("a North American number loses its leading 1") << "Cell=1 (503) 555-0142"
                                                                     << "Cell=503-555-0142"
                                                                     << "";
        QTest::newRow("a number that fits stays as written") << "Phone=503.555.0142"
                                                             << "Phone=503.555.0142"
                                                             << "";
        QTest::newRow("an extension after x goes to Ext") << "Phone=(503) 555-0142 x204"
                                                          << "Phone=503-555-0142|Ext=204"
                                                          << "";
        QTest::newRow("an extension after ext. goes to Ext") << "Phone=503-555-0142 ext. 5"
                                                             << "Phone=503-555-0142|Ext=5"
                                                             << "";
        QTest::newRow("a vCard 4.0 number's extension goes to Ext")
            << "Phone=tel:+1-503-555-0142;ext=5"
            << "Phone=503-555-0142|Ext=5"
            << "";
        QTest::newRow("an extension beside an Ext of its own stays, cut and kept whole")
            << "Phone=503-555-0142 x9|Ext=12"
            << "Phone=503-555-0142|Ext=12"
            << "Phone: 503-555-0142 x9";
        QTest::newRow("another country's number still too long is cut and kept whole")
            << "Cell=+44 20 7946 0958"
            << "Cell=+44207946095"
            << "Cell: +44 20 7946 0958";
        QTest::newRow("Ext keeps the digits after its mark") << "Ext=ext 42"
                                                             << "Ext=42"
                                                             << "";
        QTest::newRow("Ext with letters goes to the history") << "Ext=12a"
                                                              << "Ext="
                                                              << "Ext: 12a";
        QTest::newRow("a two-letter state is upper case") << "State=or"
                                                          << "State=OR"
                                                          << "";
        QTest::newRow("a state's full name is its code") << "State=Oregon"
                                                         << "State=OR"
                                                         << "";
        QTest::newRow("the District of Columbia in lower case is DC")
            << "State=district of columbia"
            << "State=DC"
            << "";
        QTest::newRow("a territory's name is its code") << "State=Puerto Rico"
                                                        << "State=PR"
                                                        << "";
        QTest::newRow("a province is kept in the history") << "State=Ontario"
                                                           << "State="
                                                           << "State: Ontario";
        QTest::newRow("e-mail addresses are joined without blanks")
            << "E-mail=a@x.com; b@y.com, c@z.com"
            << "E-mail=a@x.com;b@y.com;c@z.com"
            << "";
        QTest::newRow("an address that does not fit goes to the history")
            << "E-mail=" + QString(30, 'a') + "@x.com;" + QString(30, 'b') + "@y.com"
            << "E-mail=" + QString(30, 'a') + "@x.com"
            << "E-mail: " + QString(30, 'b') + "@y.com";
        QTest::newRow("a company name cut is kept whole")
            << "Client=" + QString(55, 'n') << "Client=" + QString(50, 'n')
            << "Client: " + QString(55, 'n');
        QTest::newRow("a person without a company is the client and the contact")
            << "Contact=Jean Paul Martin"
            << "Client=Jean Paul Martin|Contact=Jean Paul Martin"
            << "";
    }
    void storingFollowsTheDetailsWindowsRules() {
        QFETCH(QString, given);
        QFETCH(QString, stored);
        QFETCH(QString, kept);
        Contact contact;
        contact.history = "Met at the fair";
        for (const auto& [name, value] : Pairs(given)) *Member(contact, name) = value.toStdString();
        const StoredContact result = StoreContact(std::move(contact), "google.csv");
        Contact back = ContactFromRecord(result.record, "");
        for (const auto& [name, value] : Pairs(stored)) {
            QCOMPARE(QString::fromStdString(*Member(back, name)), value);
        }
        const std::string block =
            kept.isEmpty() ? "" : "\nImported from google.csv on 12/08/26:\n" + kept.toStdString();
        QCOMPARE(result.history, "Met at the fair" + block);
    }

    // A follow-up date leaves as year, month and day in that order, only while the follow-up
    // is on, and comes back the same, in the last year the program keeps too.
    void theFollowUpDateTravelsAsItIs_data() {
        QTest::addColumn<int>("flag");
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("written");
        QTest::newRow("the month before the day") << 1 << 2026 << "2026-03-14";
        QTest::newRow("no date while the follow-up is off") << 0 << 2026 << "";
        QTest::newRow("a date in 2060") << 1 << 2060 << "2060-03-14";
    }
    void theFollowUpDateTravelsAsItIs() {
        QFETCH(int, flag);
        QFETCH(int, year);
        QFETCH(QString, written);
        store::ClientRecord record{};
        record.FollowUpFlag = flag;
        record.FollowUpDate = followup::DayNumberFromDate(3, 14, year);
        Contact contact = ContactFromRecord(record, "");
        QCOMPARE(QString::fromStdString(contact.followUpDate), written);
        const store::ClientRecord back = StoreContact(std::move(contact)).record;
        QCOMPARE(back.FollowUpFlag, flag);
        QCOMPARE(back.FollowUpDate, flag != 0 ? record.FollowUpDate : 0);
    }

    // Typed columns (Google Contacts' "Phone 1 - Type" beside "Phone 1 - Value") send each value
    // to the field its type names; values without a field, or beyond the first, are kept.
    void csvColumnsGoWhereTheirTypesSay_data() {
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("contact");
        QTest::newRow("Google's phones, e-mails and relations by type, several to a cell")
            << "Name,Given Name,Family Name,Organization 1 - Name,Organization 1 - Title,"
               "Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,Phone 3 - Type,"
               "Phone 3 - Value,Phone 4 - Type,Phone 4 - Value,E-mail 1 - Type,E-mail 1 - Value,"
               "Relation 1 - Type,Relation 1 - Value,Relation 2 - Type,Relation 2 - Value\n"
               "Ann Lee,Ann,Lee,Acme,Buyer,Home,555-0101,* Work,555-0102,Mobile ::: Work Fax,"
               "555-0103 ::: 555-0104,Other,555-0105,* Work ::: Home,a@x.com ::: b@y.com,"
               "Spouse,Bob,Assistant,Cy\n"
            << "Acme|||||Ann Lee|555-0102||555-0104|555-0103|Cy|a@x.com; b@y.com|\n"
               "Title: Buyer\nHome phone: 555-0101\nOther phone: 555-0105\nSpouse: Bob";
        QTest::newRow("the work address fills the fields, the home one is kept")
            << "Address 1 - Type,Address 1 - Street,Address 1 - City,Address 1 - Region,"
               "Address 1 - Postal Code,Address 1 - Country,Address 2 - Type,Address 2 - Street,"
               "Address 2 - City,Address 2 - Postal Code,Organization 1 - Name\n"
               "Home,5 Elm,Salem,OR,97301,USA,Work,1 Main,Portland,97201,Acme\n"
            << "Acme|1 Main|Portland||97201||||||||\nHome address: 5 Elm, Salem, OR, 97301, USA";
        QTest::newRow("Outlook's second phone and home phone are kept, E-mail 12 is an e-mail")
            << "Company,Business Phone,Business Phone 2,Home Phone,Job Title,E-mail 12 Address\n"
               "Acme,555-0101,555-0102,555-0109,Buyer,z@x.com\n"
            << "Acme||||||555-0101|||||z@x.com|\n"
               "Home phone: 555-0109\nJob title: Buyer\nBusiness Phone 2: 555-0102";
        QTest::newRow("Google's newer labels; a formula's apostrophe goes, another stays")
            << "Organization Name,Phone 1 - Label,Phone 1 - Value,Notes\n"
               "'Acme,Mobile,555-0103,'=SUM(A1)\n"
            << "'Acme|||||||||555-0103|||=SUM(A1)";
        QTest::newRow("a whole name is the contact, never split")
            << "Name,Company\nJean Paul Martin,\n"
            << "|||||Jean Paul Martin|||||||";
        QTest::newRow("a list separator without types beside it is the text's own")
            << "Company,Phone\nShop ::: Deli,555-0101\n"
            << "Shop ::: Deli||||||555-0101||||||";
        QTest::newRow("a row with only values kept in the history is no client")
            << "Job Title,Home Phone\nBuyer,555-0109\n"
            << "";
    }
    void csvColumnsGoWhereTheirTypesSay() {
        QFETCH(QString, csv);
        QFETCH(QString, contact);
        const std::vector<Contact> contacts = Imported(csv.toStdString());
        QCOMPARE(contacts.size(), std::size_t{contact.isEmpty() ? 0u : 1u});
        if (!contacts.empty()) QCOMPARE(Fields(contacts[0]), contact);
    }

    // A text a spreadsheet would run as a formula gets an apostrophe, numbers do not; quotes,
    // blanks and line breaks survive; and the program reads every text back as it was.
    void csvCellsAreSafeForSpreadsheets_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cell");
        QTest::newRow("a formula") << "=1+2"
                                   << "'=1+2";
        QTest::newRow("a function after @") << "@SUM(A1)"
                                            << "'@SUM(A1)";
        QTest::newRow("words after a dash") << "-fast delivery"
                                            << "'-fast delivery";
        QTest::newRow("a tab first") << "\tindented"
                                     << "\"'\tindented\"";
        QTest::newRow("a line break first") << "\nsecond line"
                                            << "\"'\r\nsecond line\"";
        QTest::newRow("a phone number") << "+1 (503) 555-0142"
                                        << "+1 (503) 555-0142";
        QTest::newRow("a negative number") << "-12.5"
                                           << "-12.5";
        QTest::newRow("an apostrophe already before a formula") << "'=kept"
                                                                << "''=kept";
        QTest::newRow("an apostrophe before a word") << "'quoted"
                                                     << "'quoted";
        QTest::newRow("a leading blank") << " leading"
                                         << "\" leading\"";
        QTest::newRow("a semicolon") << "a;b"
                                     << "\"a;b\"";
        QTest::newRow("a quote") << "say \"hi\""
                                 << "\"say \"\"hi\"\"\"";
        QTest::newRow("the last line break") << "first\nlast\n"
                                             << "\"first\r\nlast\r\n\"";
    }
    void csvCellsAreSafeForSpreadsheets() {
        QFETCH(QString, text);
        QFETCH(QString, cell);
        Contact contact;
        contact.client = "Acme";
        contact.history = text.toStdString();
        const std::string csv = CsvText({&contact, 1});
        QVERIFY2(csv.ends_with("\r\nAcme,,,,,,,,,,,,,," + cell.toStdString() + "\r\n"),
                 csv.c_str());
        const std::vector<Contact> back = Imported(csv);
        QCOMPARE(back.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(back[0].history), text);
    }

    // A folded vCard line never splits a character, and a note keeps its last line break.
    void vCardLinesKeepCharactersWhole() {
        Contact contact;
        contact.client = "Acme";
        contact.history = "x" + QString(80, u'€').toStdString() + "\n";
        const std::string card = VCardText({&contact, 1});
        std::string unfolded;
        for (const QString& line : QString::fromStdString(card).split("\r\n")) {
            QVERIFY(line.toUtf8().size() <= 75);
            QVERIFY(!line.contains(QChar::ReplacementCharacter));
            unfolded +=
                line.startsWith(' ') ? line.mid(1).toStdString() : "\n" + line.toStdString();
        }
        QVERIFY2(unfolded.find("\nNOTE:" + contact.history.substr(0, contact.history.size() - 1) +
                               "\\n\n") != std::string::npos,
                 unfolded.c_str());
    }
};

QTEST_GUILESS_MAIN(ContactFieldsTest)
#include "tst_contact_fields.moc"
