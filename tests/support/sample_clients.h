#pragma once

#include <string>
#include <vector>

#include "followup/day_numbers.h"
#include "store/client_record.h"

namespace testing {

// A realistic book of business: varied company names, contacts, phones, extensions, e-mail
// addresses and follow-ups spread around `today` (some past due, some today, some ahead,
// some without a follow-up). The same seed gives the same clients.
std::vector<store::ClientRecord> SampleClients(int count, followup::DayNumber today,
                                               unsigned seed = 2026);

// "Client 1001", "Client 1002", ...: names that sort in the order of their numbers.
std::string NumberedClientName(int i);
// Clients 1..count named so, each with contact "Contact i" and phone "555-0100", and numbered
// like the slots they would sit in.
std::vector<store::ClientRecord> NumberedClients(int count);

// A history text of about the given size, with CR LF line breaks, as typed over months.
std::string SampleHistory(int clientIndex, std::size_t bytes);

}  // namespace testing
