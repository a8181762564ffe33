#include "fuzz_program.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/forms.h"
#include "platform/clock.h"
#include "platform/gui/ez.h"
#include "platform/print/dp.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "store/backups.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"

namespace fuzzing {

namespace {

std::unique_ptr<QTemporaryDir> Folder;
std::string ProgramPath;

// A path the program may touch: the data folder itself (made at a first start, flushed after
// a save), a file right inside it, or the backups folder kept beside it and what is within.
bool IsInsideDataFolder(const char* path) {
    const std::string data = DataFolder();
    const std::string backups = store::BackupsFolder();
    const std::string_view file(path);
    return file == data || file == std::string_view(data).substr(0, data.size() - 1) ||
           (file.size() > data.size() && file.substr(0, data.size()) == data &&
            file.find('/', data.size()) == std::string_view::npos) ||
           file.starts_with(std::string_view(backups).substr(0, backups.size() - 1));
}

void RequireInside(const char* path) {
    if (!IsInsideDataFolder(path)) {
        std::fprintf(stderr, "the program touched a file outside its data folder: %s\n", path);
        std::abort();
    }
}

store::FileCalls WatchedFileCalls() {
    static const store::FileCalls real = store::SystemFileCalls();
    return store::FileCalls{
        .open =
            [](const char* path, int flags) {
                RequireInside(path);
                return real.open(path, flags);
            },
        .read = real.read,
        .makeTemporary =
            [](char* pathTemplate) {
                RequireInside(pathTemplate);
                return real.makeTemporary(pathTemplate);
            },
        .write = real.write,
        .flush = [](int) { return 0; },
        .close = real.close,
        .rename =
            [](const char* from, const char* to) {
                RequireInside(from);
                RequireInside(to);
                return real.rename(from, to);
            },
        .remove =
            [](const char* path) {
                RequireInside(path);
                return real.remove(path);
            },
        .create =
            [](const char* path, int flags, mode_t mode) {
                RequireInside(path);
                return real.create(path, flags, mode);
            },
        .link =
            [](const char* from, const char* to) {
                RequireInside(from);
                RequireInside(to);
                return real.link(from, to);
            },
        .flushAll = [](int) { return 0; },
        .makeFolder =
            [](const char* path, mode_t mode) {
                RequireInside(path);
                return real.makeFolder(path, mode);
            },
        .removeFolder =
            [](const char* path) {
                RequireInside(path);
                return real.removeFolder(path);
            },
        .exchange =
            [](const char* first, const char* second) {
                RequireInside(first);
                RequireInside(second);
                return real.exchange(first, second);
            },
    };
}

}  // namespace

void StartOffscreenProgram(int* argc, char*** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    // Made once and never destroyed: the fuzzing engine ends the process with exit(), when the
    // statics the application's destructor needs may be gone already.
    static QApplication* const application = new QApplication(*argc, *argv);
    (void)application;
    Folder = std::make_unique<QTemporaryDir>();
    ProgramPath = Folder->path().toStdString() + "/";
    shell::StartUpState state = shell::StartUp();
    state.AppPath = ProgramPath;
    shell::SetStartUpState(std::move(state));
    store::SetDataFolder(DataFolder());
    gui::OverrideAppFolder(ProgramPath);
    store::EnsureFolder(DataFolder());
    gui::InstallProcedures(app::EventProcedure, app::DesignProcedure);
    // A fixed today keeps every run of an input the same.
    platform::SetClock([] {
        platform::SYSTEMTIME now;
        now.wYear = 2026;
        now.wMonth = 3;
        now.wDay = 16;
        now.wHour = 9;
        now.wMinute = 41;
        return now;
    });
    // Yes to a question, OK to a notice, No to "save your changes?".
    gui::SetMessageBoxAnswerer(
        [](const gui::MessageBoxRequest& request) { return request.buttons == "YNC" ? 0 : 1; });
    print::SetEndDocHandler([](const print::Document& document, int) {
        Require(!document.pages.empty(), "a report document has no page");
        for (const print::Page& page : document.pages) {
            for (const print::Item& item : page.items) {
                Require(IsValidUtf8(item.text), "a report holds a broken character");
            }
        }
    });
    print::SetPrintersIgnored(true);
    store::SetFileCalls(WatchedFileCalls());
}

const std::string& ProgramFolder() {
    return ProgramPath;
}

std::string DataFolder() {
    return ProgramPath + "Data/";
}

void EmptyDataFolder() {
    QDir data(QString::fromStdString(DataFolder()));
    for (const QString& name : data.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        data.remove(name);
    }
}

void PlaceDataFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = DataFolder() + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Require(fd >= 0, "the data file cannot be made");
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = ::write(fd, data + done, size - done);
        Require(written > 0, "the data file cannot be written");
        done += static_cast<std::size_t>(written);
    }
    ::close(fd);
}

void CloseProgram() {
    for (const char* form : {shell::OptionsForm, shell::PrintForm, shell::DetailsForm,
                             shell::ScanResultsForm, shell::ScanForm, shell::MainForm}) {
        if (gui::EZ_ISFORM(form)) gui::EZ_UNLOADFORM(form);
    }
    Require(!gui::EZ_ISFORM(shell::MainForm), "the main window did not close");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void RequireNothingOutsideDataFolder() {
    const QDir program(QString::fromStdString(ProgramPath));
    const QStringList entries =
        program.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        Require(entry == QStringLiteral("Data") || entry == QStringLiteral("Reports") ||
                    entry == QStringLiteral("Backups"),
                "the program made something outside its data, reports and backups folders");
    }
    const QDir data(QString::fromStdString(DataFolder()));
    Require(
        data.entryList(QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty(),
        "the program made a folder inside its data folder");
}

}  // namespace fuzzing
