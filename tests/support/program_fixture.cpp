#include "support/program_fixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

#include <cstring>

#include "app/forms.h"
#include "app/startup.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "store/files.h"

namespace testing {

MessageBoxes::MessageBoxes() {
    hooks_.answerBoxes([this](const gui::MessageBoxRequest& request) {
        asked_.push_back(request);
        if (!answers_.empty()) {
            const int answer = answers_.front();
            answers_.erase(answers_.begin());
            return answer;
        }
        // The box's own default: Cancel where offered, No where Yes gives something up.
        if (request.buttons == "YNC") return -1;
        return request.buttons == "NY" ? 0 : 1;
    });
}

void MessageBoxes::answer(std::vector<int> answers) {
    answers_ = std::move(answers);
}

std::string MessageBoxes::lastText() const {
    return asked_.empty() ? "" : asked_.back().text;
}

store::Settings NoStartUpScan() {
    store::Settings settings{};
    settings.NoScanOnStart = 1;
    return settings;
}

void WriteClientsFile(const TempAppFolder& folder, const std::vector<store::ClientRecord>& clients,
                      const store::Settings& settings) {
    store::SlotTable table{};
    for (int i = 1; i <= store::MaxClients; ++i) table[i].ClientNumber = i;
    for (std::size_t i = 0; i < clients.size() && i < store::MaxClients; ++i) {
        table[i + 1] = clients[i];
        table[i + 1].ClientNumber = static_cast<std::int32_t>(i + 1);
    }
    char* bytes = reinterpret_cast<char*>(table.data());
    std::memcpy(bytes, &settings, sizeof settings);
    std::memset(bytes + sizeof settings, ' ', store::SettingsBlankLength);
    store::ReplaceFileSafely(folder.dataFile(), std::string_view(bytes, store::FileSize));
}

store::Settings SettingsInFile(const TempAppFolder& folder) {
    store::Settings settings{};
    QFile file(QString::fromStdString(folder.dataFile()));
    if (!file.open(QIODevice::ReadOnly)) return settings;
    const QByteArray head = file.read(sizeof settings);
    if (head.size() == qsizetype(sizeof settings)) {
        std::memcpy(&settings, head.constData(), sizeof settings);
    }
    return settings;
}

void StartProgram(const TempAppFolder& folder) {
    store::ResetClientStore();
    gui::OverrideAppFolder(folder.path());
    gui::InstallProcedures(app::EventProcedure, app::DesignProcedure);
    app::StartProcedure("");
    QCoreApplication::processEvents();
}

std::unique_ptr<TempAppFolder> StartProgramWith(const std::vector<store::ClientRecord>& clients,
                                                const store::Settings& settings) {
    auto folder = std::make_unique<TempAppFolder>();
    WriteClientsFile(*folder, clients, settings);
    StartProgram(*folder);
    return folder;
}

void StopProgram() {
    // Unsaved edits are dropped ("No"), an exit question is answered "Yes".
    Hooks hooks;
    hooks.answerBoxes(
        [](const gui::MessageBoxRequest& request) { return request.buttons == "YNC" ? 0 : 1; });
    for (const char* form :
         {shell::ImportForm, shell::RestoreForm, shell::OptionsForm, shell::PrintForm,
          shell::DetailsForm, shell::ScanResultsForm, shell::ScanForm, shell::MainForm}) {
        if (gui::EZ_ISFORM(form)) gui::EZ_UNLOADFORM(form);
    }
    // A test that removed its folder leaves nothing to save to: close regardless.
    if (gui::EZ_ISFORM(shell::MainForm)) {
        store::SaveNeeded = 0;
        gui::EZ_UNLOADFORM(shell::MainForm);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

std::vector<std::string> ListRow(const std::string& form, int id, int row) {
    return gui::ListRowTexts(form, id, row);
}

}  // namespace testing
