// "Send E-mail" in the details window hands the e-mail box's addresses to the mail program.

#include <QTest>

#include <memory>
#include <optional>

#include "details/details_window.h"
#include "mail/mapi.h"
#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "support/details_driver.h"
#include "support/form_driver.h"
#include "support/hooks.h"
#include "support/program_fixture.h"

using namespace testing;

namespace {

constexpr const char* F2 = shell::DetailsForm;

// Whether the mail system was unloaded at the end of the action: once it is, a send is refused
// as a failure, whatever the session (while loaded, a stale session is refused as invalid).
bool MailSystemUnloaded() {
    return mail::SendMapiMessage(1, "", "", "a@x.com", "a@x.com", 1) == mail::MAPI_E_FAILURE;
}

}  // namespace

class EmailClientTest : public QObject {
    Q_OBJECT

    std::optional<testing::Hooks> hooks_;  // the stand-ins for one test

    std::unique_ptr<TempAppFolder> folder_;
    std::vector<std::string> handedOver_;
    bool handlerInstalled_ = true;
    bool handOffWorks_ = true;

    // A client whose e-mail box holds the text, with "Send E-mail" usable.
    void openClientWithAddress(const std::string& address) {
        folder_ = StartProgramWith({FullClient("Alpha")}, NoStartUpScan());
        OpenClientAtRow(0);
        gui::EZ_SETTEXT(F2, details::EMailBox, address);
        gui::EZ_ENABLEC(F2, details::SendButton);
    }

private slots:
    void init() {
        handedOver_.clear();
        handlerInstalled_ = true;
        handOffWorks_ = true;
        hooks_.emplace().setMailHandlerCheck([this] { return handlerInstalled_; });
        hooks_->setUrlOpener([this](const std::string& url) {
            handedOver_.push_back(url);
            return handOffWorks_;
        });
    }

    void cleanup() {
        CloseDetailsDroppingEdits();
        StopProgram();
        hooks_.reset();
        folder_.reset();
    }

    void theComposeWindowIsAddressedFromTheBox_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("url");
        QTest::newRow("one address") << "info@example.com"
                                     << "mailto:info@example.com?subject=&body=%0D%0A";
        QTest::newRow("two addresses without a blank")
            << "a@x.com;b@y.org"
            << "mailto:a@x.com,b@y.org?subject=&body=%0D%0A";
        QTest::newRow("two addresses with a blank after the semicolon")
            << "a@x.com; b@y.org"
            << "mailto:a@x.com,b@y.org?subject=&body=%0D%0A";
        QTest::newRow("a trailing semicolon") << "a@x.com;"
                                              << "mailto:a@x.com?subject=&body=%0D%0A";
        QTest::newRow("blanks around the box's text") << "  a@x.com  "
                                                      << "mailto:a@x.com?subject=&body=%0D%0A";
        QTest::newRow("hostile text is carried as an address, not as fields")
            << "a@x.com?attach=/etc/passwd&body=x"
            << "mailto:a@x.com%3Fattach%3D%2Fetc%2Fpasswd%26body%3Dx?subject=&body=%0D%0A";
    }

    void theComposeWindowIsAddressedFromTheBox() {
        QFETCH(QString, box);
        QFETCH(QString, url);
        openClientWithAddress(box.toStdString());
        MessageBoxes boxes;
        Click(F2, details::SendButton);
        QVERIFY(boxes.asked().empty());
        QCOMPARE(handedOver_.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(handedOver_[0]), url);
        QVERIFY(MailSystemUnloaded());  // loaded only for the one action
    }

    void withoutAMailProgramNothingIsHandedOver() {
        openClientWithAddress("info@example.com");
        handlerInstalled_ = false;
        MessageBoxes boxes;
        Click(F2, details::SendButton);
        QVERIFY(handedOver_.empty());
        QCOMPARE(boxes.asked().size(), std::size_t(1));
        QCOMPARE(boxes.asked()[0].text, std::string("Unable to obtain mapi session handle"));
        QVERIFY(boxes.asked()[0].owner.empty());
        QCOMPARE(boxes.asked()[0].buttons, std::string("OK"));
        QCOMPARE(boxes.asked()[0].caption, std::string("Vendrix 2"));
        QVERIFY(MailSystemUnloaded());
    }

    void aFailedHandOffIsReportedWithItsCode() {
        openClientWithAddress("info@example.com");
        handOffWorks_ = false;
        MessageBoxes boxes;
        Click(F2, details::SendButton);
        QCOMPARE(handedOver_.size(), std::size_t(1));
        QCOMPARE(boxes.asked().size(), std::size_t(1));
        QCOMPARE(boxes.asked()[0].text, std::string("smapiSendMail failure error = 2"));
        QVERIFY(boxes.asked()[0].owner.empty());
        QVERIFY(MailSystemUnloaded());
    }

    void eachPressIsAnActionOfItsOwn() {
        openClientWithAddress("info@example.com");
        MessageBoxes boxes;
        Click(F2, details::SendButton);
        Click(F2, details::SendButton);
        QCOMPARE(handedOver_.size(), std::size_t(2));
        QVERIFY(boxes.asked().empty());
        QVERIFY(MailSystemUnloaded());
        // A session of an action that has ended is no session.
        QCOMPARE(mail::SendMapiMessage(1, "", "", "a@x.com", "a@x.com", 1), mail::MAPI_E_FAILURE);
        QCOMPARE(mail::LoadMapi(), 1);
        QCOMPARE(mail::SendMapiMessage(12345, "", "", "a@x.com", "a@x.com", 1),
                 mail::MAPI_E_INVALID_SESSION);
        mail::UnloadMapi();
        QCOMPARE(handedOver_.size(), std::size_t(2));
    }
};

QTEST_MAIN(EmailClientTest)
#include "tst_email_client.moc"
