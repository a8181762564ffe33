// Whatever is typed or pasted into the details window: text far past a box's width, characters
// that Windows-1252 cannot hold, control characters and NULs, lower case and digits in the
// State box, letters in the extension box, and e-mail text meant to add a header, a recipient
// or an attachment. Nothing crashes, nothing else changes, what is stored is what re-opening
// the client shows, and the mail program gets the addresses alone.

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/client_list.h"
#include "app/main_window.h"
#include "details/details_window.h"
#include "details/field_binding.h"
#include "mail/mapi.h"
#include "platform/gui/ez.h"
#include "platform/print/dp.h"
#include "reports/report_engine.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "support/captured_reports.h"
#include "support/details_driver.h"
#include "support/form_driver.h"
#include "support/hooks.h"
#include "support/program_fixture.h"

using namespace testing;

namespace {

constexpr const char* F2 = shell::DetailsForm;

// Pastes over the whole text of a box, as a person does with Ctrl+A, Ctrl+V.
void PasteInto(int id, const QString& text) {
    QWidget* box = ControlWidget(F2, id);
    QVERIFY2(box != nullptr, "no such box");
    box->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QCoreApplication::processEvents();
}

QString Shown(int id) {
    return QString::fromStdString(gui::EZ_GETTEXT(F2, id));
}

details::BoundBox BoxOf(int id) {
    for (const details::BoundBox& box : details::RecordBoxes) {
        if (box.id == id) return box;
    }
    return {details::ActionBox, offsetof(store::ClientRecord, FollowUpAction),
            sizeof(store::ClientRecord::FollowUpAction)};
}

// The stored bytes of a box's field in the (only) client's slot.
QByteArray StoredField(int id) {
    const details::BoundBox box = BoxOf(id);
    return QByteArray(reinterpret_cast<const char*>(&store::ClientTable[1]) + box.offset,
                      qsizetype(box.width));
}

// Every byte of the client but one field's.
QByteArray RecordWithout(const store::ClientRecord& record, int id) {
    const details::BoundBox box = BoxOf(id);
    QByteArray bytes(reinterpret_cast<const char*>(&record), sizeof record);
    bytes.remove(qsizetype(box.offset), qsizetype(box.width));
    return bytes;
}

// The field's bytes as stored: the text, then blanks to the field's width.
QByteArray Padded(const QByteArray& text, int id) {
    return text.leftJustified(qsizetype(BoxOf(id).width), ' ');
}

QString Windows1252(const QByteArray& bytes) {
    QString text;
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        switch (c) {
            case 0x80:
                text += QChar(0x20AC);
                break;
            case 0x93:
                text += QChar(0x201C);
                break;
            case 0x94:
                text += QChar(0x201D);
                break;
            case 0x96:
                text += QChar(0x2013);
                break;
            case 0x99:
                text += QChar(0x2122);
                break;
            default:
                text += QChar(c);
                break;
        }
    }
    return text;
}

}  // namespace

class HostileInputTest : public QObject {
    Q_OBJECT

    std::optional<testing::Hooks> hooks_;  // the stand-ins for one test

    std::unique_ptr<TempAppFolder> folder_;
    store::ClientRecord original_{};

    // The program on one fully filled client, whose details window is open.
    void openTheClient() {
        original_ = FullClient("Acme Supply");
        original_.ClientNumber = 1;
        folder_ = StartProgramWith({original_}, NoStartUpScan());
        OpenClientAtRow(0);
        QVERIFY(gui::EZ_ISFORM(F2));
    }

    // Saves, closes the window and opens the client again from the list.
    void saveAndReopen() {
        QVERIFY(SaveEnabled());
        Click(F2, details::SaveButton);
        QVERIFY(!SaveEnabled());
        Click(F2, details::ExitButton);
        QVERIFY(!gui::EZ_ISFORM(F2));
        QCOMPARE(app::MainWindow.ClientCount, 1);
        OpenClientAtRow(0);
        QVERIFY(gui::EZ_ISFORM(F2));
    }

    // After the save: the field holds the expected bytes, the reopened box shows exactly them,
    // and every other byte of the client is as it was.
    void checkStored(int id, const QByteArray& expected) {
        QCOMPARE(StoredField(id), Padded(expected, id));
        QCOMPARE(Shown(id), Windows1252(expected));
        QCOMPARE(RecordWithout(store::ClientTable[1], id), RecordWithout(original_, id));
    }

private slots:
    void init() { hooks_.emplace().setNow(LocalTime(2026, 12, 6, 10, 30)); }
    void cleanup() {
        StopProgram();
        folder_.reset();
        hooks_.reset();
    }

    void textPastedFarPastTheWidthStopsAtTheField_data() {
        QTest::addColumn<int>("id");
        QTest::newRow("client, 50 characters") << details::ClientNameBox;
        QTest::newRow("address, 50 characters") << details::AddressBox;
        QTest::newRow("city, 30 characters") << details::CityBox;
        QTest::newRow("state, 2 characters") << details::StateBox;
        QTest::newRow("zip, 10 characters") << details::ZipBox;
        QTest::newRow("contact, 30 characters") << details::ContactBox;
        QTest::newRow("phone, 12 characters") << details::PhoneBox;
        QTest::newRow("extension, 4 digits") << details::ExtBox;
        QTest::newRow("fax, 12 characters") << details::FaxBox;
        QTest::newRow("cell, 12 characters") << details::CellBox;
        QTest::newRow("gatekeeper, 30 characters") << details::GatekeeperBox;
        QTest::newRow("e-mail, 60 characters") << details::EMailBox;
        QTest::newRow("follow-up action, 30 characters") << details::ActionBox;
    }

    void textPastedFarPastTheWidthStopsAtTheField() {
        QFETCH(int, id);
        openTheClient();
        // The action box is usable once "Follow up" is ticked.
        if (id == details::ActionBox) Click(F2, details::FollowUpCheck);
        const QString pattern =
            id == details::ExtBox ? QStringLiteral("0123456789") : QStringLiteral("ABCDEFGHIJ");
        const QString pasted = pattern.repeated(1000);
        const int width = int(BoxOf(id).width);
        PasteInto(id, pasted);
        QCOMPARE(Shown(id), pasted.left(width));
        saveAndReopen();
        if (id == details::ActionBox) {
            original_.FollowUpFlag = 1;
            original_.FollowUpDate = store::ClientTable[1].FollowUpDate;
        }
        checkStored(id, pasted.left(width).toLatin1());
    }

    void aHostileMixIsStoredAsEachBoxCanHoldIt_data() {
        // Pasted into every box: a letter Windows-1252 lacks, a tab, a NUL, the euro sign, a
        // character beyond the basic plane (two UTF-16 units), then far more than fits.
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("stored");
        const auto mix = [](int width) {
            return QByteArray("? A \x80?B") + QByteArray(width - 8, 'x');
        };
        QTest::newRow("client") << details::ClientNameBox << mix(50);
        QTest::newRow("address") << details::AddressBox << mix(50);
        QTest::newRow("city") << details::CityBox << mix(30);
        QTest::newRow("state, cut after the letter and the tab")
            << details::StateBox << QByteArray("?");
        QTest::newRow("zip") << details::ZipBox << mix(10);
        QTest::newRow("contact") << details::ContactBox << mix(30);
        QTest::newRow("phone") << details::PhoneBox << mix(12);
        QTest::newRow("extension, refusing it whole") << details::ExtBox << QByteArray("12");
        QTest::newRow("fax") << details::FaxBox << mix(12);
        QTest::newRow("cell") << details::CellBox << mix(12);
        QTest::newRow("gatekeeper") << details::GatekeeperBox << mix(30);
        QTest::newRow("e-mail") << details::EMailBox << mix(60);
        QTest::newRow("follow-up action") << details::ActionBox << mix(30);
    }

    void aHostileMixIsStoredAsEachBoxCanHoldIt() {
        QFETCH(int, id);
        QFETCH(QByteArray, stored);
        openTheClient();
        if (id == details::ActionBox) Click(F2, details::FollowUpCheck);
        const QString mix = QStringLiteral("\u0141\tA") + QChar(0) +
                            QStringLiteral("\u20AC\U0001F600B") + QString(500, QLatin1Char('x'));
        PasteInto(id, mix);
        // Save must have something to store when the box refused the paste.
        if (id == details::ExtBox) Retype(details::CityBox, "Springfield");
        saveAndReopen();
        if (id == details::ActionBox) {
            original_.FollowUpFlag = 1;
            original_.FollowUpDate = store::ClientTable[1].FollowUpDate;
        }
        checkStored(id, stored);
    }

    void charactersWithoutAWindows1252FormAreStoredAsQuestionMarks_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("letters of other scripts") << QStringLiteral("Łódź 中文 Ωmega")
                                                  << QByteArray(
                                                         "?\xF3"
                                                         "d? ?? ?mega");
        QTest::newRow("a character beyond the basic plane")
            << QStringLiteral("Acme 😀 Co") << QByteArray("Acme ? Co");
        QTest::newRow("an accent written as a separate character joins its letter")
            << QStringLiteral("Cafe\u0301 Rio") << QByteArray("Caf\xE9 Rio");
        QTest::newRow("the characters Windows-1252 has beyond Latin-1")
            << QStringLiteral("€ – “Best” ™")
            << QByteArray(
                   "\x80 \x96 \x93"
                   "Best\x94 \x99");
        QTest::newRow("a character cut in half at the width")
            << QString(49, QLatin1Char('a')) + QStringLiteral("😀") << QByteArray(49, 'a') + "?";
    }

    void charactersWithoutAWindows1252FormAreStoredAsQuestionMarks() {
        QFETCH(QString, pasted);
        QFETCH(QByteArray, stored);
        openTheClient();
        PasteInto(details::ClientNameBox, pasted);
        saveAndReopen();
        checkStored(details::ClientNameBox, stored);
        QCOMPARE(ListRow(shell::MainForm, shell::MainList, 0).at(0),
                 Windows1252(stored).toStdString());
    }

    void controlCharactersAndNulsAreStoredAsBlanks_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("a tab") << QStringLiteral("Acme\tSupply") << QByteArray("Acme Supply");
        QTest::newRow("a line break")
            << QStringLiteral("Acme\r\nSupply") << QByteArray("Acme  Supply");
        QTest::newRow("a NUL inside")
            << QStringLiteral("Acme") + QChar(0) + QStringLiteral("Supply")
            << QByteArray("Acme Supply");
        QTest::newRow("NULs and control characters at the ends") << QChar(0) +
                                                                        QStringLiteral(
                                                                            "\x01"
                                                                            "Acme Supply\x7F") +
                                                                        QChar(0)
                                                                 << QByteArray("Acme Supply");
        QTest::newRow("nothing but control characters")
            << QStringLiteral("\x01\x02\x1B[2J") << QByteArray("[2J");
    }

    void controlCharactersAndNulsAreStoredAsBlanks() {
        QFETCH(QString, pasted);
        QFETCH(QByteArray, stored);
        openTheClient();
        PasteInto(details::ClientNameBox, pasted);
        saveAndReopen();
        checkStored(details::ClientNameBox, stored);
    }

    void aNulPastedIntoTheHistoryIsLeftOutSoThePrintoutGoesOn() {
        openTheClient();
        PasteInto(details::HistoryBox, QStringLiteral("Called.") + QChar(0) +
                                           QStringLiteral(" Hidden?\r\nSent\tprices."));
        saveAndReopen();
        const std::string expected = "Called. Hidden?\r\nSent\tprices.";
        QCOMPARE(HistoryBytes(*folder_, 1).value_or("none"), expected);
        QCOMPARE(gui::EZ_GETTEXT(F2, details::HistoryBox), expected);
        CloseDetailsDroppingEdits();
        CapturedReports reports;
        const store::ClientRecord* client = &store::ClientTable[1];
        reports::PrintReport({&client, 1}, reports::ReportStyle::PagePerClientWithHistory, true);
        QCOMPARE(WrappedText(reports.last(), 0), std::string("Called. Hidden?\nSent\tprices."));
    }

    // The state box takes upper case only, the extension box digits only, whether typed or
    // pasted. The client's state is "IL" and its extension "12".
    void aFilteredBoxKeepsOnlyWhatItTakes_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QByteArray>("stored");
        const int state = details::StateBox;
        const int ext = details::ExtBox;
        QTest::newRow("state typed in lower case") << state << "ny"
                                                   << "" << QByteArray("NY");
        QTest::newRow("state typed past its width") << state << "texas"
                                                    << "" << QByteArray("TE");
        QTest::newRow("state pasted with a digit") << state << ""
                                                   << "n1" << QByteArray("N1");
        QTest::newRow("state pasted as a whole name") << state << ""
                                                      << "new york" << QByteArray("NE");
        QTest::newRow("letters typed between digits") << ext << "4a5b"
                                                      << "" << QByteArray("45");
        QTest::newRow("letters pasted with digits") << ext << ""
                                                    << "x9" << QByteArray("12");
        QTest::newRow("digits of another script pasted") << ext << ""
                                                         << "٣٤" << QByteArray("12");
        QTest::newRow("a long number pasted") << ext << ""
                                              << "987654321" << QByteArray("9876");
        QTest::newRow("a sign pasted") << ext << ""
                                       << "-5" << QByteArray("12");
    }

    void aFilteredBoxKeepsOnlyWhatItTakes() {
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QByteArray, stored);
        openTheClient();
        if (!typed.isEmpty()) Retype(box, typed.toStdString());
        if (!pasted.isEmpty()) PasteInto(box, pasted);
        QCOMPARE(Shown(box), QString::fromLatin1(stored));
        // A rejected paste changes nothing; make a change elsewhere so the save has one.
        if (!SaveEnabled()) Retype(details::CityBox, "Springfield");
        saveAndReopen();
        checkStored(box, stored);
    }

    void eMailTextCannotAddAHeaderARecipientOrAnAttachment_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QStringList>("addresses");
        QTest::newRow("an attachment in a query")
            << "a@b.com?attach=/etc/passwd" << QStringList{"a@b.com?attach=/etc/passwd"};
        QTest::newRow("a copy to someone else")
            << "a@b.com&cc=evil@example.net" << QStringList{"a@b.com&cc=evil@example.net"};
        QTest::newRow("a header after a line break")
            << "a@b.com\r\nBcc: evil@example.net" << QStringList{"a@b.com  Bcc: evil@example.net"};
        QTest::newRow("a tab, an escape and a delete character")
            << "a@b.com\tc\x1b\x7f" << QStringList{"a@b.com c"};
        QTest::newRow("an encoded line break") << "a@b.com%0D%0ABcc:evil@example.net"
                                               << QStringList{"a@b.com%0D%0ABcc:evil@example.net"};
        QTest::newRow("an option for the mail program")
            << "--attach=/etc/passwd" << QStringList{"--attach=/etc/passwd"};
        QTest::newRow("a fragment and a second scheme")
            << "a@b.com#x mailto:evil@example.net"
            << QStringList{"a@b.com#x mailto:evil@example.net"};
        QTest::newRow("two addresses, as the box allows")
            << "a@b.com; c@d.org" << QStringList{"a@b.com", "c@d.org"};
    }

    void eMailTextCannotAddAHeaderARecipientOrAnAttachment() {
        QFETCH(QString, pasted);
        QFETCH(QStringList, addresses);
        std::vector<std::string> urls;
        hooks_->setMailHandlerCheck([] { return true; });
        hooks_->setUrlOpener([&urls](const std::string& url) {
            urls.push_back(url);
            return true;
        });
        openTheClient();
        PasteInto(details::EMailBox, pasted);
        QCOMPARE(Shown(details::EMailBox), pasted);
        MessageBoxes boxes;
        Click(F2, details::SendButton);
        QVERIFY(boxes.asked().empty());
        QCOMPARE(urls.size(), std::size_t(1));

        const QByteArray encoded = QByteArray::fromStdString(urls[0]);
        const QUrl url = QUrl::fromEncoded(encoded, QUrl::StrictMode);
        QVERIFY2(url.isValid(), encoded.constData());
        QCOMPARE(url.scheme(), QStringLiteral("mailto"));
        QVERIFY2(!url.hasFragment(), encoded.constData());
        const QUrlQuery query(url);
        QCOMPARE(query.queryItems(QUrl::FullyDecoded),
                 (QList<std::pair<QString, QString>>{{"subject", ""}, {"body", "\r\n"}}));
        // The addresses travel as one encoded list; decoded, they are the text of the box.
        QCOMPARE(url.path(QUrl::FullyDecoded).split(QLatin1Char(',')), addresses);
        QVERIFY2(QByteArray(encoded).replace("?subject=&body=%0D%0A", "").count('?') == 0,
                 encoded.constData());
    }
};

QTEST_MAIN(HostileInputTest)
#include "tst_hostile_input.moc"
