#include "support/client_records.h"

#include "store/text_field.h"

namespace testing {

store::ClientRecord MakeClient(const std::string& name, const std::string& contact,
                               const std::string& phone, const std::string& ext,
                               const std::string& gatekeeper) {
    store::ClientRecord client{};
    store::StoreField(client.ClientName, name);
    store::StoreField(client.Address, "");
    store::StoreField(client.City, "");
    store::StoreField(client.State, "");
    store::StoreField(client.Zip, "");
    store::StoreField(client.Contact, contact);
    store::StoreField(client.Phone, phone);
    store::StoreField(client.Ext, ext);
    store::StoreField(client.Fax, "");
    store::StoreField(client.Cell, "");
    store::StoreField(client.Gatekeeper, gatekeeper);
    store::StoreField(client.EMail, "");
    store::StoreField(client.FollowUpAction, "");
    client.InUse = 1;
    return client;
}

}  // namespace testing
