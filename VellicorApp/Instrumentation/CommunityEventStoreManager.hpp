#pragma once

#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VQSDKEventStoreManaging.hpp"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vellicor {

/// Hands the stored instrumentation events to a community page. The web
/// container asks for a payload under a new transaction ID, passes it to the
/// page and, once the page has confirmed it, deletes exactly the events of
/// that transaction; events handed out but never confirmed are offered again
/// with the next payload. Main thread only.
class CommunityEventStoreManager {
public:
    using EventStore = platform::veltrane::VQSDKEventStoreManaging;
    /// Transaction ID → the IDs of the events handed out under it.
    using TransactionStore = std::map<std::string, std::vector<std::string>>;

    static std::shared_ptr<CommunityEventStoreManager> create(std::shared_ptr<EventStore> eventStoreManager);

    /// {"logLines": [...]}: for each stored event, in the store's order, that
    /// the SDK's transform turns into a dictionary,
    /// {"code": "korva", "data": {"schemaType": <the transform's schema type,
    /// null without one>, "payload": <the rest as JSON text, "\/" turned into
    /// "/" and percent-decoded>}}; a text that does not percent-decode is
    /// sent without the decoding, and an event whose rest gives no JSON text
    /// is left out. Remembers the IDs of every fetched event under the transaction,
    /// the left-out ones included, replacing what it held. None, logging
    /// "Failed to fetch events.", when the store holds nothing.
    std::optional<platform::Json> payload(const std::string& transactionID);
    /// Deletes the events handed out under the transaction and forgets it,
    /// logging "Deleting event with transactionID '<ID>"; an unknown
    /// transaction only logs the error "Failed to delete events".
    void deleteEvents(const std::string& transactionID);

    /// The open transactions.
    const TransactionStore& store() const { return store_; }
    /// Forgets every open transaction; their events stay in the event store
    /// and are offered again.
    void clearStore() { store_.clear(); }

    const std::shared_ptr<EventStore>& eventStoreManager() const { return eventStoreManager_; }

private:
    explicit CommunityEventStoreManager(std::shared_ptr<EventStore> eventStoreManager)
        : eventStoreManager_(std::move(eventStoreManager)) {}

    const std::shared_ptr<EventStore> eventStoreManager_;
    TransactionStore store_;
};

} // namespace vellicor
