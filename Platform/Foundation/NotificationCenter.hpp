#pragma once

#include "Platform/Export.hpp"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

/// A named notification with an optional sender and a user-info dictionary.
struct PLATFORM_EXPORT Notification {
    std::string name;
    /// The sender, compared by identity only; null when there is none.
    const void* object = nullptr;
    nlohmann::json userInfo = nlohmann::json::object();
};

using ObserverToken = std::uint64_t;

/// Named notifications delivered synchronously on the posting thread.
/// Thread-safe: observers may be added, removed and notified from any thread.
class PLATFORM_EXPORT NotificationCenter : public std::enable_shared_from_this<NotificationCenter> {
public:
    using Handler = std::function<void(const Notification&)>;

    /// The process-wide default centre.
    static std::shared_ptr<NotificationCenter> defaultCenter();
    /// A centre of its own (tests).
    static std::shared_ptr<NotificationCenter> create();

    /// Observes `name` (empty: every name) from `object` (null: any sender).
    ObserverToken addObserver(std::string name, const void* object, Handler handler);
    /// Observes on behalf of an owner: the handler is never called once the
    /// owner is gone, and removeObservers(owner) removes it.
    ObserverToken addObserver(const std::shared_ptr<const void>& owner, std::string name,
                              const void* object, Handler handler);
    /// Same, with the owner handed to the handler while it is alive.
    template <class Owner>
    ObserverToken addObserver(const std::shared_ptr<Owner>& owner, std::string name, const void* object,
                              std::function<void(Owner&, const Notification&)> handler) {
        std::weak_ptr<Owner> weak = owner;
        return addObserver(std::static_pointer_cast<const void>(owner), std::move(name), object,
                           [weak, handler = std::move(handler)](const Notification& n) {
                               if (auto strong = weak.lock()) handler(*strong, n);
                           });
    }

    void removeObserver(ObserverToken token);
    void removeObservers(const void* owner);
    /// Removes every observer (between tests).
    void removeAllObservers();

    void post(const Notification& notification);
    void post(std::string name, const void* object = nullptr,
              nlohmann::json userInfo = nlohmann::json::object());

    std::size_t observerCount() const;

private:
    NotificationCenter() = default;
    struct Observer {
        ObserverToken token;
        std::string name;
        const void* object;
        const void* ownerKey;
        std::weak_ptr<const void> owner;
        bool hasOwner;
        std::shared_ptr<Handler> handler;
    };
    mutable std::mutex mutex_;
    std::vector<Observer> observers_;
    ObserverToken nextToken_ = 1;
};

} // namespace platform
