#include "mail/mapi.h"

#include <QGuiApplication>

#include <cstdio>

#include "app/forms.h"
#include "details/details_window.h"
#include "mail/desktop_mail.h"
#include "mail/mail_message.h"
#include "platform/clock.h"
#include "platform/gui/ez.h"
#include "store/client_record.h"
#include "store/text_field.h"

namespace mail {

std::uint32_t MapiModule = 0;

namespace {

constexpr const char* MessageCaption = "Vendrix 2";
constexpr const char* OutlookProfile = "Microsoft Outlook";
constexpr int MAPI_LOGON_UI = 1;
constexpr int MAPI_DIALOG = 8;

// The one session of the current "Send E-mail" action.
struct Session {
    SessionHandle handle = 0;
    std::string profile;
    std::string password;
    int logonFlags = 0;
};
Session OpenSession;
SessionHandle LastHandle = 0;

std::string LocalDateText() {
    platform::SYSTEMTIME now;
    platform::GetLocalTime(now);
    char text[DateBufferSize];
    std::snprintf(text, sizeof text, "%02u-%02u-%04u %02u:%02u:%02u", unsigned{now.wMonth},
                  unsigned{now.wDay}, unsigned{now.wYear}, unsigned{now.wHour},
                  unsigned{now.wMinute}, unsigned{now.wSecond});
    return FitBuffer(text, DateBufferSize);
}

void ShowMessage(const std::string& text) {
    gui::EZ_MSGBOX("", text, MessageCaption, "OK");
}

// The addresses as the client's record stores them (and the box shows them): a tab, a line
// break or another control character pasted into the box is a blank, never a line of the
// message or a header the mail program reads.
std::string AddressesAsStored(const std::string& boxText) {
    decltype(store::ClientRecord::EMail) field{};
    store::StoreField(field, boxText);
    return store::FieldText(field);
}

std::string FailureText(int result) {
    return std::string("smapiSendMail failure error =") + (result >= 0 ? " " : "") +
           std::to_string(result);
}

}  // namespace

int LoadMapi() {
    // The hand-off goes through the desktop, which needs the program's GUI application.
    if (MapiModule == 0 && QGuiApplication::instance() != nullptr) MapiModule = 1;
    return MapiModule != 0 ? 1 : 0;
}

void UnloadMapi() {
    MapiModule = 0;
}

SessionHandle OpenMapiSession(const std::string& profile, const std::string& password) {
    if (LoadMapi() != 1 || !MailHandlerAvailable()) return 0;
    OpenSession.profile = FitBuffer(TrimBlanks(profile), ProfileBufferSize);
    OpenSession.password = FitBuffer(TrimBlanks(password), PasswordBufferSize);
    OpenSession.logonFlags = MAPI_LOGON_UI;
    if (++LastHandle == 0) ++LastHandle;  // 0 means no session
    OpenSession.handle = LastHandle;
    return OpenSession.handle;
}

int SendMapiMessage(SessionHandle session, const std::string& subject, const std::string& note,
                    const std::string& addresses, const std::string& names, int showDialog) {
    Message message;
    message.subject = FitBuffer(TrimBlanks(subject), SubjectBufferSize);
    message.noteText = FitBuffer(TrimBlanks(note) + "\r\n", NoteBufferSize);
    message.dateReceived = LocalDateText();
    // Nothing handed over is no success: without the mail system, or without a session of
    // this action, the send fails.
    if (MapiModule == 0) return MAPI_E_FAILURE;
    if (session == 0 || session != OpenSession.handle) return MAPI_E_INVALID_SESSION;
    message.recipients = SplitRecipients(names, addresses);
    const int flags = showDialog != 0 ? MAPI_LOGON_UI | MAPI_DIALOG : MAPI_LOGON_UI;
    // The desktop can only open the compose window; it never sends unseen.
    if ((flags & MAPI_DIALOG) == 0) return MAPI_E_FAILURE;
    return OpenMailUrl(MailtoUrl(message)) ? SUCCESS_SUCCESS : MAPI_E_FAILURE;
}

void CloseMapiSession(SessionHandle session) {
    if (MapiModule != 0 && session != 0 && session == OpenSession.handle) OpenSession = Session{};
}

void EmailClient() {
    LoadMapi();
    const SessionHandle session = OpenMapiSession(OutlookProfile, "");
    if (session == 0) {
        ShowMessage("Unable to obtain mapi session handle");
    } else {
        const std::string text =
            AddressesAsStored(gui::EZ_GETTEXT(app::DetailsForm, details::EMailBox));
        const int result = SendMapiMessage(session, "", "", text, text, 1);
        if (result != SUCCESS_SUCCESS) ShowMessage(FailureText(result));
        CloseMapiSession(session);
    }
    UnloadMapi();
}

}  // namespace mail
