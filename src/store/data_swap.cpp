#include "store/data_swap.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QRandomGenerator>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

#include "store/client_import.h"
#include "store/client_numbers.h"
#include "store/client_table.h"
#include "store/files.h"

namespace store {

namespace {

constexpr std::string_view RestoringMark = ".restoring-";
constexpr std::string_view ReplacedMark = ".replaced-";
constexpr std::size_t RandomLength = 6;
constexpr int NameAttempts = 100;

std::string WithoutSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// The folder holding the folder, ending in "/"; "" for the working folder.
std::string ParentOf(const std::string& folder) {
    const std::string bare = WithoutSlash(folder);
    const auto slash = bare.find_last_of('/');
    return slash == std::string::npos ? std::string() : bare.substr(0, slash + 1);
}

std::string Listable(const std::string& parent) {
    return parent.empty() ? std::string(".") : parent;
}

std::string RandomName() {
    static constexpr std::string_view Letters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string name(RandomLength, ' ');
    for (char& c : name) {
        c = Letters[QRandomGenerator::global()->bounded(static_cast<quint32>(Letters.size()))];
    }
    return name;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return names;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    ::closedir(listing);
    return names;
}

// The six characters after the mark, when the name is the mark and six letters or digits.
std::string_view SuffixAfter(std::string_view name, std::string_view mark) {
    if (!name.starts_with(mark) || name.size() != mark.size() + RandomLength) return {};
    const std::string_view suffix = name.substr(mark.size());
    const bool plain = std::all_of(suffix.begin(), suffix.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0;
    });
    return plain ? suffix : std::string_view();
}

}  // namespace

bool IsDataFileName(std::string_view name) {
    if (name == DataFileName) return true;
    // "C" and the number as HistoryFileName prints it ("%04d"), damaged numbers included.
    if (name.size() < 9 || name.front() != 'C' || !name.ends_with(".dat")) return false;
    std::string_view number = name.substr(1, name.size() - 5);
    if (number.front() == '-') number.remove_prefix(1);
    return !number.empty() && number.size() <= 10 &&
           std::all_of(number.begin(), number.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

std::string MakeHiddenFolder(const std::string& prefix, std::string& error) {
    const FileCalls calls = CurrentFileCalls();
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        const std::string path = prefix + RandomName();
        if (calls.makeFolder(path.c_str(), 0700) == 0) return path + "/";
        if (errno != EEXIST) {
            error = "\"" + Listable(ParentOf(prefix)) + "\": " + std::strerror(errno);
            return {};
        }
    }
    error = std::strerror(EEXIST);
    return {};
}

std::string MakeReplacementFolder(const std::string& folder, std::string& error) {
    return MakeHiddenFolder(ParentOf(folder) + std::string(RestoringMark), error);
}

std::string SwapInFolder(const std::string& replacement, const std::string& folder,
                         std::string& error) {
    const std::string fresh = WithoutSlash(replacement);
    const std::string bare = WithoutSlash(folder);
    const std::string parent = Listable(ParentOf(folder));
    const FileCalls calls = CurrentFileCalls();
    if (calls.exchange(fresh.c_str(), bare.c_str()) == 0) {
        FlushFolder(parent);
        return fresh;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        error = std::strerror(errno);
        return {};
    }
    // No swap in one step here: the old folder goes aside first, under a name that tells the
    // next start to put it back should the second rename never happen.
    const std::string suffix = fresh.substr(fresh.size() - RandomLength);
    const std::string aside = ParentOf(folder) + std::string(ReplacedMark) + suffix;
    if (calls.rename(bare.c_str(), aside.c_str()) != 0) {
        error = std::strerror(errno);
        return {};
    }
    if (calls.rename(fresh.c_str(), bare.c_str()) != 0) {
        error = std::strerror(errno);
        calls.rename(aside.c_str(), bare.c_str());
        FlushFolder(parent);
        return {};
    }
    FlushFolder(parent);
    return aside;
}

namespace {

// The program's own files: the data files, histories an import left pending and the note of
// histories already told. None of the swapped-out folder's goes into the folder in place.
bool IsProgramsOwn(std::string_view name) {
    if (name.ends_with(PendingHistorySuffix)) name.remove_suffix(PendingHistorySuffix.size());
    return IsDataFileName(name) || name == ToldOrphansName;
}

}  // namespace

bool RemoveSwappedFolder(const std::string& hidden, const std::string& folder) {
    const FileCalls calls = CurrentFileCalls();
    const std::string into = WithoutSlash(folder) + "/";
    bool emptied = true;
    bool carried = false;
    for (const std::string& name : Entries(hidden)) {
        const std::string from = WithoutSlash(hidden) + "/" + name;
        if (IsProgramsOwn(name) && !IsFolder(from)) {
            if (calls.remove(from.c_str()) != 0 && errno != ENOENT) emptied = false;
            continue;
        }
        // Not the program's: it goes back where the user left it, never over another entry.
        if (Exists(into + name) || calls.rename(from.c_str(), (into + name).c_str()) != 0) {
            emptied = false;
            continue;
        }
        carried = true;
    }
    if (carried) FlushFolder(into);
    return emptied && calls.removeFolder(WithoutSlash(hidden).c_str()) == 0;
}

void FinishFolderSwaps(const std::string& folder) {
    const std::string parent = ParentOf(folder);
    struct Swap {
        bool restoring = false;
        bool replaced = false;
    };
    std::map<std::string, Swap> swaps;
    for (const std::string& name : Entries(Listable(parent))) {
        if (!IsFolder(parent + name)) continue;
        if (const auto suffix = SuffixAfter(name, RestoringMark); !suffix.empty()) {
            swaps[std::string(suffix)].restoring = true;
        } else if (const auto other = SuffixAfter(name, ReplacedMark); !other.empty()) {
            swaps[std::string(other)].replaced = true;
        }
    }
    const FileCalls calls = CurrentFileCalls();
    const std::string bare = WithoutSlash(folder);
    for (const auto& [suffix, swap] : swaps) {
        const std::string fresh = parent + std::string(RestoringMark) + suffix;
        const std::string aside = parent + std::string(ReplacedMark) + suffix;
        if (swap.replaced && swap.restoring) {
            // Cut short between the two renames: the old folder goes back (over an empty
            // folder made in its place meanwhile, never over one that holds anything).
            if (calls.rename(aside.c_str(), bare.c_str()) != 0) continue;
            FlushFolder(Listable(parent));
        }
        // Whatever is left is not the folder in use; with no folder in place, nothing is
        // touched.
        if (!IsFolder(bare)) continue;
        RemoveSwappedFolder(swap.restoring ? fresh : aside, folder);
    }
}

}  // namespace store
