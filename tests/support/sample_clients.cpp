#include "support/sample_clients.h"

#include <array>
#include <random>

#include "store/text_field.h"
#include "support/program_fixture.h"

namespace testing {

namespace {

constexpr std::array<const char*, 24> NameStarts = {
    "Acme",     "Blue Ridge", "Cascade",  "Delta",   "Evergreen", "Fairview",
    "Granite",  "Harbor",     "Ironwood", "Juniper", "Keystone",  "Lakeside",
    "Meridian", "Northgate",  "Oakmont",  "Pioneer", "Quarry",    "Riverside",
    "Summit",   "Tri-County", "Union",    "Valley",  "Westfield", "Zenith"};
constexpr std::array<const char*, 12> NameEnds = {
    "Supply",   "Manufacturing",   "Hardware", "Foods",    "Logistics",  "Electric",
    "Builders", "Office Products", "Medical",  "Printing", "Auto Parts", "Distributors"};
constexpr std::array<const char*, 20> FirstNames = {
    "Alice", "Bob",  "Carmen", "Dave", "Elena", "Frank", "Grace", "Hector", "Irene", "Jim",
    "Karen", "Luis", "Maria",  "Ned",  "Olga",  "Pete",  "Rita",  "Sam",    "Tina",  "Walt"};
constexpr std::array<const char*, 20> LastNames = {
    "Anderson", "Baker",  "Chen",   "Dubois",   "Evans",   "Fischer", "Garcia",
    "Hughes",   "Ivanov", "Jensen", "Kowalski", "Lopez",   "Miller",  "Nguyen",
    "O'Brien",  "Patel",  "Quinn",  "Rossi",    "Schmidt", "Turner"};
constexpr std::array<const char*, 8> Cities = {"Springfield", "Riverton", "Fairfield", "Madison",
                                               "Georgetown",  "Salem",    "Franklin",  "Clinton"};
constexpr std::array<const char*, 8> States = {"IL", "OH", "PA", "TX", "CA", "NY", "WA", "GA"};
constexpr std::array<const char*, 8> Actions = {
    "Call about reorder", "Send price list", "Demo new line",  "Follow up on quote",
    "Check delivery",     "Lunch meeting",   "Renew contract", "Ask for referral"};

template <typename T>
const char* Pick(const T& list, std::mt19937& random) {
    return list[std::uniform_int_distribution<std::size_t>(0, list.size() - 1)(random)];
}

std::string Digits(std::mt19937& random, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text.push_back(static_cast<char>('0' + random() % 10));
    return text;
}

}  // namespace

std::vector<store::ClientRecord> SampleClients(int count, followup::DayNumber today,
                                               unsigned seed) {
    std::mt19937 random(seed);
    std::vector<store::ClientRecord> clients;
    clients.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        store::ClientRecord client{};
        const std::string first = Pick(FirstNames, random);
        const std::string last = Pick(LastNames, random);
        const std::string company = std::string(Pick(NameStarts, random)) + " " +
                                    Pick(NameEnds, random) + (i % 3 == 0 ? " Inc." : "");
        store::StoreField(client.ClientName, company);
        store::StoreField(client.Address, std::to_string(100 + random() % 9900) + " Main Street");
        store::StoreField(client.City, Pick(Cities, random));
        store::StoreField(client.State, Pick(States, random));
        store::StoreField(client.Zip, Digits(random, 5));
        store::StoreField(client.Contact, first + " " + last);
        store::StoreField(client.Phone, Digits(random, 3) + "-555-" + Digits(random, 4));
        store::StoreField(client.Ext, random() % 3 == 0 ? Digits(random, 1 + random() % 4) : "");
        store::StoreField(client.Fax, Digits(random, 3) + "-555-" + Digits(random, 4));
        store::StoreField(client.Cell, Digits(random, 3) + "-555-" + Digits(random, 4));
        store::StoreField(client.Gatekeeper,
                          std::string(Pick(FirstNames, random)) + " (front desk)");
        store::StoreField(client.EMail, first + "." + last + "@example.com");
        if (random() % 4 != 0) {
            client.FollowUpFlag = 1;
            client.FollowUpDate = today + static_cast<int>(random() % 60) - 20;
            store::StoreField(client.FollowUpAction, Pick(Actions, random));
        } else {
            store::StoreField(client.FollowUpAction, "");
        }
        client.InUse = 1;
        clients.push_back(client);
    }
    return clients;
}

std::string SampleHistory(int clientIndex, std::size_t bytes) {
    std::mt19937 random(static_cast<unsigned>(clientIndex) + 7u);
    std::string text;
    while (text.size() < bytes) {
        text += followup::DayNumberToText(730000 + static_cast<int>(random() % 10000));
        text += " ";
        text += Pick(Actions, random);
        text += ": spoke with the buyer about next quarter's volumes and pricing.\r\n";
    }
    text.resize(bytes);
    return text;
}

std::string NumberedClientName(int i) {
    return "Client " + std::to_string(1000 + i);
}

std::vector<store::ClientRecord> NumberedClients(int count) {
    std::vector<store::ClientRecord> clients;
    for (int i = 1; i <= count; ++i) {
        store::ClientRecord client =
            MakeClient(NumberedClientName(i), "Contact " + std::to_string(i), "555-0100");
        client.ClientNumber = i;
        clients.push_back(client);
    }
    return clients;
}

}  // namespace testing
