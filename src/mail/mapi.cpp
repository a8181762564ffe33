#include "mail/mapi.h"

#include <QGuiApplication>

#include "mail/mail_message.h"
#include "platform/gui/ez.h"
#include "platform/mail/desktop_mail.h"
#include "store/client_record.h"
#include "store/text_field.h"

namespace mail {

std::uint32_t MapiModule = 0;

namespace {

constexpr const char* MessageCaption = "Vendrix 2";
constexpr const char* OutlookProfile = "Microsoft Outlook";
constexpr int MAPI_LOGON_UI = 1;
constexpr int MAPI_DIALOG = 8;

// The session of the current "Send E-mail" action, 0 when none is open.
SessionHandle OpenSession = 0;
SessionHandle LastHandle = 0;

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

// The desktop's mail program needs no profile and no password: the mail program itself
// knows its user.
SessionHandle OpenMapiSession(const std::string&, const std::string&) {
    if (LoadMapi() != 1 || !MailHandlerAvailable()) return 0;
    if (++LastHandle == 0) ++LastHandle;  // 0 means no session
    OpenSession = LastHandle;
    return OpenSession;
}

int SendMapiMessage(SessionHandle session, const std::string& subject, const std::string& note,
                    const std::string& addresses, const std::string& names, int showDialog) {
    Message message;
    message.subject = FitBuffer(TrimBlanks(subject), SubjectBufferSize);
    message.noteText = FitBuffer(TrimBlanks(note) + "\r\n", NoteBufferSize);
    // Nothing handed over is no success: without the mail system, or without a session of
    // this action, the send fails.
    if (MapiModule == 0) return MAPI_E_FAILURE;
    if (session == 0 || session != OpenSession) return MAPI_E_INVALID_SESSION;
    message.recipients = SplitRecipients(names, addresses);
    const int flags = showDialog != 0 ? MAPI_LOGON_UI | MAPI_DIALOG : MAPI_LOGON_UI;
    // The desktop can only open the compose window; it never sends unseen.
    if ((flags & MAPI_DIALOG) == 0) return MAPI_E_FAILURE;
    return OpenMailUrl(MailtoUrl(message)) ? SUCCESS_SUCCESS : MAPI_E_FAILURE;
}

void CloseMapiSession(SessionHandle session) {
    if (MapiModule != 0 && session != 0 && session == OpenSession) OpenSession = 0;
}

void EmailClient(const std::string& address) {
    LoadMapi();
    const SessionHandle session = OpenMapiSession(OutlookProfile, "");
    if (session == 0) {
        ShowMessage("Unable to obtain mapi session handle");
    } else {
        const std::string text = AddressesAsStored(address);
        const int result = SendMapiMessage(session, "", "", text, text, 1);
        if (result != SUCCESS_SUCCESS) ShowMessage(FailureText(result));
        CloseMapiSession(session);
    }
    UnloadMapi();
}

}  // namespace mail
