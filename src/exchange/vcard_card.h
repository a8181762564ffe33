#pragma once

// A card's properties as the reader keeps them, and the contact built from them when the card
// ends.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/contact.h"
#include "exchange/vcard_text.h"

namespace exchange::vcard {

// The property names the reader acts on; every other one is skipped.
enum class Name {
    Other,
    Begin,
    End,
    Version,
    Agent,
    Org,
    Fn,
    N,
    Adr,
    Email,
    Note,
    Tel,
    Gatekeeper,
    FollowUp,
    FollowUpAction,
};

// One content line the program keeps: "[group.]NAME;PARAM=VALUE;...:value", the value still
// as written.
struct Property {
    // Constructed member by member: a whole-object zeroing costs more than the rest of a line.
    Property(Name kind, int number) : name(kind), line(number) {}

    Name name;
    int line;
    unsigned types = 0;    // TYPE values and bare 2.1 parameters
    std::string encoding;  // upper case
    std::string charset;

    std::string_view value() const { return folded ? std::string_view(unfolded) : written; }

    // A value on one line is a view of the file; a folded one is kept joined.
    bool folded = false;
    std::string_view written;
    std::string unfolded;
};

Name NameOf(std::string_view name);

// Adds the parameters of a line's head ("NAME;PARAM=VALUE;...") to the property.
void AddParameters(Property& property, std::string_view head);

class Structured;

// Builds contacts from the cards' properties as the file is read.
class CardBuilder {
public:
    explicit CardBuilder(Version version) : version_(version) {}

    // The property's value decoded to UTF-8: the value itself when it needs no decoding, else
    // decoded into `decoded`; nothing when it cannot be decoded (error() tells why).
    std::optional<std::string_view> Raw(const Property& property, std::string& decoded);
    // The property's value decoded and unescaped.
    std::optional<std::string> Text(const Property* property);
    std::optional<std::string> History(const Property& property);
    std::optional<Structured> Parts(const Property* property);

    int errorLine() const { return errorLine_; }
    const std::string& error() const { return error_; }

private:
    std::nullopt_t Fail(const Property& property, std::string why);

    Version version_;
    int errorLine_ = 0;
    std::string error_;
};

// The card's contact, or nothing when a value cannot be decoded (the builder tells why).
std::optional<Contact> BuildContact(const std::vector<Property>& properties, CardBuilder& builder);

}  // namespace exchange::vcard
