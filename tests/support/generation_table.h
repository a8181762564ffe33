#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace testing {

// A client table that is different at every generation, for the tests that kill a saving
// process: generation g is written into the first client's name, and every other byte of the
// table follows from g, so a file can be checked whole against the generation it names.

// Puts generation g into the store's table and settings, ready to save.
void SetGenerationTable(std::uint32_t generation);
// The exact "Clients.dat" image of generation g.
std::string GenerationImage(std::uint32_t generation);
// The generation a file's image names; nothing when the bytes name none.
std::optional<std::uint32_t> GenerationOf(std::string_view image);

}  // namespace testing
