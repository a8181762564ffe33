// A second process for the tests that kill the program or run two copies of it on one folder:
//   store_child save-loop FOLDER    saves a changing table to FOLDER/Data again and again
//   store_child hold-lock FOLDER    holds the data folder's lock as a running copy does
//   store_child run-program FOLDER  runs the whole program on FOLDER, message boxes answered
//   store_child edit-program FOLDER runs it, adds the client "Signalled" and waits for its end
//   store_child restore FOLDER N [renames]
//                                   restores the newest backup, killed at its N-th file call
//                                   (never with 0); "renames": as on a file system that cannot
//                                   swap two folders in one step
// Each reports on its standard output, one line at a time, what it has done.

#include <QCoreApplication>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/forms.h"
#include "app/startup.h"
#include "platform/gui/ez.h"
#include "store/backups.h"
#include "store/client_changes.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"
#include "support/generation_table.h"
#include "support/hooks.h"
#include "support/program_fixture.h"
#include "support/temp_app_folder.h"

namespace {

// Written straight to the descriptor, so that a line is out before a kill can strike.
void Report(const std::string& line) {
    const std::string text = line + "\n";
    [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, text.data(), text.size());
}

// Each save goes to the disk in many small writes, so that a kill often strikes in the middle.
store::FileCalls SmallWrites() {
    static const store::FileCalls real = store::SystemFileCalls();
    store::FileCalls calls = real;
    calls.write = [](int fd, const void* bytes, std::size_t count) {
        return real.write(fd, bytes, std::min<std::size_t>(count, 16 * 1024));
    };
    return calls;
}

int SaveLoop(const std::string& folder, testing::Hooks& hooks) {
    testing::UseAppPath(folder);
    hooks.setDataFolder(folder + store::DataFolderName);
    store::EnsureFolder(store::DataFolder());
    store::ResetClientStore();
    if (store::LoadClientTable() == store::LoadOutcome::Unreadable) return 3;
    std::string image(reinterpret_cast<const char*>(store::ClientTable.data()), store::FileSize);
    std::uint32_t generation = testing::GenerationOf(image).value_or(0);
    Report("ready " + std::to_string(generation));
    hooks.setFileCalls(SmallWrites());
    for (;;) {
        ++generation;
        testing::SetGenerationTable(generation);
        store::SaveNeeded = 1;
        if (!store::SaveClientTable()) return 4;
        Report("saved " + std::to_string(generation));
    }
}

int HoldLock(const std::string& folder, int argc, char** argv, testing::Hooks& hooks) {
    QCoreApplication application(argc, argv);
    hooks.setDataFolder(folder + store::DataFolderName);
    if (store::OpenDataFolder().access != store::FolderAccess::Writable) return 5;
    Report("locked");
    for (;;) ::pause();
}

// Every file call of the store is counted; the one numbered KillAt kills the process before it
// is made, as a power cut or a kill would strike.
struct KillPlan {
    long killAt = 0;
    long count = 0;
    bool renames = false;
};
KillPlan Kill;
const store::FileCalls RealCalls = store::SystemFileCalls();

void Step() {
    if (++Kill.count == Kill.killAt) ::raise(SIGKILL);
}

store::FileCalls KillingCalls() {
    return store::FileCalls{
        .open = [](const char* p, int f) { return Step(), RealCalls.open(p, f); },
        .read = [](int fd, void* b, std::size_t n) { return Step(), RealCalls.read(fd, b, n); },
        .makeTemporary = [](char* t) { return Step(), RealCalls.makeTemporary(t); },
        .write = [](int fd, const void* b,
                    std::size_t n) { return Step(), RealCalls.write(fd, b, n); },
        .flush = [](int fd) { return Step(), RealCalls.flush(fd); },
        .close = [](int fd) { return Step(), RealCalls.close(fd); },
        .rename = [](const char* f, const char* t) { return Step(), RealCalls.rename(f, t); },
        .remove = [](const char* p) { return Step(), RealCalls.remove(p); },
        .create = [](const char* p, int f, mode_t m) { return Step(), RealCalls.create(p, f, m); },
        .link = [](const char* f, const char* t) { return Step(), RealCalls.link(f, t); },
        .flushAll = [](int fd) { return Step(), RealCalls.flushAll(fd); },
        .makeFolder = [](const char* p, mode_t m) { return Step(), RealCalls.makeFolder(p, m); },
        .removeFolder = [](const char* p) { return Step(), RealCalls.removeFolder(p); },
        .exchange =
            [](const char* a, const char* b) {
                Step();
                if (Kill.renames) return errno = EINVAL, -1;
                return RealCalls.exchange(a, b);
            },
    };
}

int Restore(const std::string& folder, const char* killAt, bool renames, testing::Hooks& hooks) {
    hooks.setDataFolder(folder + store::DataFolderName);
    store::ResetClientStore();
    if (store::OpenDataFolder().access != store::FolderAccess::Writable) return 6;
    if (store::LoadClientTable() != store::LoadOutcome::Loaded) return 3;
    const std::vector<store::Backup> backups = store::ListBackups();
    if (backups.empty()) return 7;
    Kill = {std::atol(killAt), 0, renames};
    hooks.setFileCalls(KillingCalls());
    const store::BackupResult result = store::RestoreBackup(backups.front());
    Report("steps " + std::to_string(Kill.count));
    Report(result.ok ? "restored" : "failed " + result.error);
    return result.ok ? 0 : 8;
}

// The start of a run in which one client is added as "&Save" adds it.
void StartAndAddClient(const std::string& argument) {
    app::StartProcedure(argument);
    store::CurrentRecord = testing::MakeClient("Signalled");
    store::CurrentRecord.InUse = 0;
    store::CurrentSlot = 0;
    if (store::StoreCurrentRecord("").outcome == store::StoreOutcome::Stored) Report("edited");
}

int RunProgram(const std::string& folder, int argc, char** argv, gui::StartProc start,
               testing::Hooks& hooks) {
    hooks.answerBoxes([](const gui::MessageBoxRequest& request) {
        Report("box " + request.caption + ": " + request.text);
        return request.buttons == "YNC" ? 0 : 1;
    });
    hooks.setAppFolder(folder);
    const int result = gui::EZ_GUIRUN(argc, argv, start, app::EventProcedure, app::DesignProcedure);
    Report("returned " + std::to_string(result));
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: %s save-loop|hold-lock|run-program|edit-program|restore FOLDER ...\n",
                     argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    std::string folder = argv[2];
    if (folder.back() != '/') folder += '/';
    // Every stand-in of this run, given back as it ends.
    testing::Hooks hooks;
    if (mode == "save-loop") return SaveLoop(folder, hooks);
    if (mode == "hold-lock") return HoldLock(folder, argc, argv, hooks);
    if (mode == "restore" && argc >= 4) {
        return Restore(folder, argv[3], argc == 5 && std::string(argv[4]) == "renames", hooks);
    }
    if (mode == "run-program") return RunProgram(folder, argc, argv, app::StartProcedure, hooks);
    if (mode == "edit-program") {
        // The save that would follow the added client within a moment is held off, so that
        // only the end of the run can bring it to disk.
        hooks.setSaveDelay(10 * 60 * 1000);
        return RunProgram(folder, argc, argv, StartAndAddClient, hooks);
    }
    return 2;
}
