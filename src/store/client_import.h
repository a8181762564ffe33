#pragma once

// Many new clients added as one step: their histories and the table reach the disk together,
// so that a crash or a kill at any moment leaves either the clients as they were or all of
// them added, never history files without their clients.

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "store/client_record.h"

namespace store {

// A history written by an addition not yet known to have happened carries this after its name
// ("C0012.dat.pending"); the saved table decides whether it stays.
inline constexpr std::string_view PendingHistorySuffix = ".pending";

// A client to add: its fields (its slot's number is given when it is added) and its history
// as the program holds it ("" for none).
struct NewClient {
    ClientRecord record{};
    std::string history;
};

struct AddedClients {
    std::size_t added = 0;
    bool cancelled = false;  // the user stopped it; nothing was added
    std::string error;       // why nothing was added ("" when all were)
};

// Told how many histories of how many are written; false stops the addition, which then
// keeps nothing. It is not asked again once the table is being saved.
using AddProgress = std::function<bool(std::size_t done, std::size_t total)>;

// Adds the clients in the first free slots whose numbers have no history file, in order. The
// histories are written under pending names and flushed together, then the table is saved:
// that save is the moment the clients exist. Only then do the histories take their names. When
// anything fails, or the user cancels, the table and the folder are as they were.
AddedClients AddClients(std::span<const NewClient> clients, const AddProgress& progress = {});

// How many clients AddClients has room for: the free slots whose numbers no history file has.
int RoomForClients();

// Finishes or undoes what an addition cut short left: a pending history whose number an
// in-use client has takes its place; any other is removed. Called once the table is loaded.
void SettlePendingHistories();

}  // namespace store
