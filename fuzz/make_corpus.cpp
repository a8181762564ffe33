// Writes the seed corpus of the fuzz targets:  fuzz_make_corpus FOLDER
// (FOLDER/fuzz_clients_file, FOLDER/fuzz_store_scan, FOLDER/fuzz_history_file,
// FOLDER/fuzz_day_numbers). The seeds are a handful of files as the program writes them and as
// damage leaves them; kept few, since a whole table is 696,348 bytes.

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "followup/day_numbers.h"
#include "store/client_record.h"
#include "store/text_field.h"
#include "support/sample_clients.h"

namespace {

using Table = std::vector<store::ClientRecord>;

// The fuzz targets run on 16 March 2026.
const followup::DayNumber Today = followup::DayNumberFromDate(3, 16, 2026);

Table FreshTable() {
    Table table(store::TableSlots, store::EmptyRecord());
    for (int i = 1; i <= store::MaxClients; ++i)
        table[static_cast<std::size_t>(i)].ClientNumber = i;
    return table;
}

std::string Image(const Table& table, const store::Settings& settings) {
    std::string bytes(reinterpret_cast<const char*>(table.data()), store::FileSize);
    std::memcpy(bytes.data(), &settings, sizeof settings);
    std::memset(bytes.data() + store::SettingsBlankStart, ' ', store::SettingsBlankLength);
    return bytes;
}

Table WithClients(int count) {
    Table table = FreshTable();
    const auto clients = testing::SampleClients(count, Today);
    for (int i = 0; i < count; ++i) {
        auto& slot = table[static_cast<std::size_t>(i + 1)];
        slot = clients[static_cast<std::size_t>(i)];
        slot.ClientNumber = i + 1;
    }
    return table;
}

// Clients as damage leaves them: dates far outside the known years, odd "in use" values and
// client numbers, fields of high bytes, control characters and NULs.
Table OddClients() {
    Table table = WithClients(16);
    const std::int32_t dates[] = {INT_MIN,
                                  -1,
                                  0,
                                  1,
                                  followup::FirstDayOfWindow - 1,
                                  followup::FirstDayOfWindow,
                                  Today - 1,
                                  Today,
                                  followup::LastDayOfWindow,
                                  followup::LastDayOfWindow + 1,
                                  INT_MAX,
                                  Today + 400};
    for (std::size_t i = 0; i < std::size(dates); ++i) {
        table[i + 1].FollowUpFlag = i % 3 == 0 ? -1 : 1;
        table[i + 1].FollowUpDate = dates[i];
    }
    table[2].InUse = -1;
    table[3].InUse = 2;
    table[4].InUse = INT_MAX;
    table[5].ClientNumber = 0;
    table[6].ClientNumber = -5;
    table[7].ClientNumber = INT_MIN;
    table[8].ClientNumber = 99999;
    table[9].ClientNumber = table[10].ClientNumber;
    for (std::size_t b = 0; b < table[11].ClientName.size(); ++b) {
        table[11].ClientName[b] = static_cast<char>(0x80 + b);
        table[12].Contact[b % table[12].Contact.size()] = static_cast<char>(b % 32);
    }
    table[13].EMail.fill('\0');
    std::memcpy(table[13].EMail.data(), "a@b.com?attach=/etc/passwd&cc=x@y\r\nBcc: z", 42);
    table[14].ClientName.fill('\0');
    table[14].ClientName[20] = 'X';
    return table;
}

// Clients whose keys tie, or differ only in case, in every column, so that a sort's stability
// shows; follow-ups flagged and not, around today and at both ends of the known days.
Table TiesAndFollowUps() {
    Table table = FreshTable();
    const char* names[] = {"beta", "Alpha", "alpha", "Beta", "Ab", "Ab Co", "Abc"};
    const char* contacts[] = {"Sam Quinn", "sam quinn", "Sam Quinn"};
    const char* extensions[] = {"9", "10", ""};
    const std::int32_t dates[] = {
        Today - 3, Today, Today + 7, 0, followup::FirstDayOfWindow, followup::LastDayOfWindow};
    for (int i = 1; i <= 40; ++i) {
        auto& client = table[static_cast<std::size_t>(i)];
        store::StoreField(client.ClientName, names[i % std::size(names)]);
        store::StoreField(client.Contact, contacts[i % std::size(contacts)]);
        store::StoreField(client.Phone, "555-0100");
        store::StoreField(client.Ext, extensions[i % std::size(extensions)]);
        store::StoreField(client.Gatekeeper, i % 2 == 0 ? "Front desk" : "");
        client.FollowUpFlag = i % 5 == 0 ? 0 : 1;
        client.FollowUpDate = dates[i % std::size(dates)];
        client.ClientNumber = 41 - i;
        client.InUse = 1;
    }
    return table;
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template <typename... Ints>
std::string Ints32(Ints... values) {
    std::string bytes;
    for (const std::int32_t value : {static_cast<std::int32_t>(values)...}) {
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root(argv[1]);

    const auto clients = root / "fuzz_clients_file";
    std::filesystem::create_directories(clients);
    store::Settings plain{};
    store::Settings remembered{};
    remembered.RememberSortColumn = 1;
    remembered.SortKeyStart = 143;
    remembered.SortKeyLength = 30;
    remembered.DefaultPrintStyle = 2;
    store::Settings damaged{};
    damaged.DefaultPrintStyle = -7;
    damaged.RememberSortColumn = 1;
    damaged.SortKeyStart = INT_MAX;
    damaged.SortKeyLength = INT_MAX;
    damaged.LastStartScanDate = INT_MIN;
    const std::string fresh = Image(FreshTable(), plain);
    Write(clients / "fresh_table", fresh);
    Write(clients / "full_table", Image(WithClients(store::MaxClients), remembered));
    Write(clients / "odd_clients", Image(OddClients(), damaged).substr(0, 17 * store::RecordSize));
    Write(clients / "empty_file", "");
    Write(clients / "settings_only",
          Image(FreshTable(), damaged).substr(0, sizeof(store::Settings)));
    Write(clients / "one_record", fresh.substr(0, store::RecordSize));
    Write(clients / "short_cut_in_a_record",
          Image(WithClients(5), plain).substr(0, 6 * store::RecordSize + 100));
    Write(clients / "longer_than_a_table",
          Image(WithClients(3), plain) + std::string(4096, '\xA5'));

    // The store-and-scan target takes files of up to 64 KiB (StoreScanLength): some of the same
    // files, as many clients as fit, and ties to sort.
    const auto storeScan = root / "fuzz_store_scan";
    std::filesystem::create_directories(storeScan);
    for (const char* name :
         {"empty_file", "odd_clients", "settings_only", "short_cut_in_a_record"}) {
        std::filesystem::copy_file(clients / name, storeScan / name,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    constexpr std::size_t StoreScanLength = 65536;
    constexpr int ClientsThatFit = static_cast<int>(StoreScanLength / store::RecordSize) - 1;
    Write(storeScan / "many_clients", Image(WithClients(ClientsThatFit), remembered)
                                          .substr(0, (ClientsThatFit + 1) * store::RecordSize));
    Write(storeScan / "ties_and_follow_ups",
          Image(TiesAndFollowUps(), remembered).substr(0, 42 * store::RecordSize));

    const auto history = root / "fuzz_history_file";
    std::filesystem::create_directories(history);
    Write(history / "empty", "");
    Write(history / "two_lines", "Called about the spring order.\r\nSent the price list.\r\n");
    Write(history / "longer_than_printed", testing::SampleHistory(0, 31000));
    std::string everyByte;
    for (int b = 0; b < 256; ++b) everyByte.push_back(static_cast<char>(b));
    Write(history / "every_byte", everyByte + everyByte);
    Write(history / "odd_line_breaks",
          std::string("one\rtwo\nthree\n\rfour\r\n\r\nfive\tsix\fseven\0eight   \r\n", 46));

    const auto days = root / "fuzz_day_numbers";
    std::filesystem::create_directories(days);
    Write(days / "today", Ints32(Today, 3, 16, 26));
    Write(days / "window_ends", Ints32(followup::FirstDayOfWindow, 12, 31, 60));
    Write(days / "beyond_the_window", Ints32(followup::LastDayOfWindow + 1, 1, 1, 61));
    Write(days / "extremes", Ints32(INT_MIN, INT_MAX, INT_MIN, INT_MAX));
    Write(days / "leap_day", Ints32(followup::DayNumberFromDate(2, 29, 2000), 2, 29, 0));
    return 0;
}
