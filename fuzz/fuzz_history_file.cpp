// Any bytes as a client's history file: read by the store, shown in the details window and
// printed on the client's page.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <QCoreApplication>

#include "app/startup.h"
#include "details/details_window.h"
#include "fuzz_program.h"
#include "platform/gui/ez.h"
#include "reports/report_engine.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "store/history.h"
#include "store/text_field.h"

namespace {

// The client whose history is fuzzed; its number names the file.
constexpr int ClientNumber = 1;

// The text as the history box gives it back: every line break (CR LF, CR or LF) as one line
// feed, every other character as it was.
std::string AsTheBoxGivesItBack(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

void StartOnOneClient() {
    store::ResetClientStore();
    for (int i = 1; i <= store::MaxClients; ++i) store::ClientTable[i].ClientNumber = i;
    store::ClientRecord& client = store::ClientTable[1];
    store::StoreField(client.ClientName, "Acme Supply");
    store::StoreField(client.Contact, "Alice Baker");
    client.InUse = 1;
    store::SaveNeeded = 1;
    fuzzing::Require(store::SaveClientTable(), "the table cannot be written");
    store::ResetClientStore();
    app::StartProcedure("");
    fuzzing::Require(gui::EZ_ISFORM(shell::MainForm), "the program did not start");
    if (gui::EZ_ISFORM(shell::ScanResultsForm)) gui::EZ_UNLOADFORM(shell::ScanResultsForm);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::StartOffscreenProgram(argc, argv);
    StartOnOneClient();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string name = store::HistoryFileName(ClientNumber);
    fuzzing::PlaceDataFile(name.substr(name.rfind('/') + 1), data, size);

    store::CurrentSlot = 1;
    store::CurrentRecord = store::ClientTable[1];
    store::CurrentClientNumber = ClientNumber;
    const std::string history = store::ReadHistory().text;
    fuzzing::Require(fuzzing::IsValidUtf8(history), "a history reads as broken text");
    fuzzing::Require(store::EncodeWindows1252(history) == bytes,
                     "a history read and written back loses bytes");

    details::OpenDetailsWindow(shell::MainForm);
    const std::string shown = gui::EZ_GETTEXT(shell::DetailsForm, details::HistoryBox);
    fuzzing::Require(fuzzing::IsValidUtf8(shown), "the history box shows a broken character");
    fuzzing::Require(AsTheBoxGivesItBack(shown) == AsTheBoxGivesItBack(history),
                     "the history box shows other text than the file holds");
    gui::EZ_UNLOADFORM(shell::DetailsForm);
    fuzzing::Require(!gui::EZ_ISFORM(shell::DetailsForm), "the details window did not close");
    // The run loop would delete the closed window now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const store::ClientRecord* client = &store::ClientTable[1];
    reports::PrintReport({&client, 1}, reports::ReportStyle::PagePerClientWithHistory, true);
    fuzzing::RequireNothingOutsideDataFolder();
    return 0;
}
