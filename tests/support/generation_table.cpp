#include "support/generation_table.h"

#include <cstdio>
#include <cstring>

#include "store/client_table.h"
#include "store/text_field.h"

namespace testing {

namespace {

constexpr const char* GenerationFormat = "Generation %010u";
constexpr std::size_t GenerationNameLength = 21;

std::uint32_t Mix(std::uint32_t generation, std::uint32_t slot) {
    std::uint32_t x = generation * 0x9E3779B1u ^ (slot + 0x7F4A7C15u) * 0x85EBCA77u;
    x ^= x >> 15;
    x *= 0x2C1B3C6Du;
    x ^= x >> 12;
    return x;
}

std::string Text(const char* format, std::uint32_t value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

void SetGenerationTable(std::uint32_t generation) {
    store::ClientTable.fill(store::EmptyRecord());
    store::ProgramSettings = store::Settings{};
    store::ProgramSettings.LastStartScanDate = static_cast<std::int32_t>(generation);
    store::ProgramSettings.SortKeyStart = 1;
    store::ProgramSettings.SortKeyLength = 50;
    // Between 1 and 2000 clients, so that clients come and go between generations.
    const int clients = 1 + static_cast<int>(Mix(generation, 0) % store::MaxClients);
    for (int slot = 1; slot <= store::MaxClients; ++slot) {
        store::ClientRecord& client = store::ClientTable[slot];
        const std::uint32_t mix = Mix(generation, static_cast<std::uint32_t>(slot));
        client.ClientNumber = slot;
        client.InUse = slot <= clients ? 1 : 0;
        store::StoreField(client.ClientName, slot == 1 ? Text(GenerationFormat, generation)
                                                       : Text("Client %08X", mix));
        store::StoreField(client.Contact, Text("Contact %u", mix % 977));
        store::StoreField(client.Phone, Text("555-%04u", mix % 10000));
        store::StoreField(client.EMail, Text("c%u@example.com", mix));
        client.FollowUpFlag = static_cast<std::int32_t>(mix & 1);
        client.FollowUpDate = client.FollowUpFlag != 0 ? 740000 + static_cast<int>(mix % 400) : 0;
    }
}

std::string GenerationImage(std::uint32_t generation) {
    SetGenerationTable(generation);
    std::string image(reinterpret_cast<const char*>(store::ClientTable.data()), store::FileSize);
    std::memcpy(image.data(), &store::ProgramSettings, sizeof store::ProgramSettings);
    std::memset(image.data() + store::SettingsBlankStart, ' ', store::SettingsBlankLength);
    return image;
}

std::optional<std::uint32_t> GenerationOf(std::string_view image) {
    if (image.size() < 2 * store::RecordSize) return std::nullopt;
    const std::string name(image.substr(store::RecordSize, GenerationNameLength));
    unsigned generation = 0;
    char rest = 0;
    if (std::sscanf(name.c_str(), "Generation %10u%c", &generation, &rest) != 1) {
        return std::nullopt;
    }
    return generation;
}

}  // namespace testing
