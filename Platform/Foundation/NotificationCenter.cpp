#include "Platform/Foundation/NotificationCenter.hpp"

#include <algorithm>

namespace platform {

std::shared_ptr<NotificationCenter> NotificationCenter::defaultCenter() {
    static const std::shared_ptr<NotificationCenter> center = create();
    return center;
}

std::shared_ptr<NotificationCenter> NotificationCenter::create() {
    return std::shared_ptr<NotificationCenter>(new NotificationCenter);
}

ObserverToken NotificationCenter::addObserver(std::string name, const void* object, Handler handler) {
    std::lock_guard lock(mutex_);
    const auto token = nextToken_++;
    observers_.push_back(Observer{token, std::move(name), object, nullptr, {}, false,
                                  std::make_shared<Handler>(std::move(handler))});
    return token;
}

ObserverToken NotificationCenter::addObserver(const std::shared_ptr<const void>& owner, std::string name,
                                              const void* object, Handler handler) {
    std::vector<Observer> gone;
    std::lock_guard lock(mutex_);
    // Observers whose owner has gone are pruned here; their handlers are
    // destroyed after the lock is released (`gone` is declared before it).
    auto it = std::stable_partition(observers_.begin(), observers_.end(),
                                    [](const Observer& o) { return !o.hasOwner || !o.owner.expired(); });
    std::move(it, observers_.end(), std::back_inserter(gone));
    observers_.erase(it, observers_.end());
    const auto token = nextToken_++;
    observers_.push_back(Observer{token, std::move(name), object, owner.get(), owner, true,
                                  std::make_shared<Handler>(std::move(handler))});
    return token;
}

void NotificationCenter::removeObserver(ObserverToken token) {
    std::vector<Observer> removed;
    {
        std::lock_guard lock(mutex_);
        auto it = std::stable_partition(observers_.begin(), observers_.end(),
                                        [&](const Observer& o) { return o.token != token; });
        std::move(it, observers_.end(), std::back_inserter(removed));
        observers_.erase(it, observers_.end());
    }
    // Handlers are destroyed here, outside the lock.
}

void NotificationCenter::removeObservers(const void* owner) {
    if (owner == nullptr) return;
    std::vector<Observer> removed;
    {
        std::lock_guard lock(mutex_);
        auto it = std::stable_partition(observers_.begin(), observers_.end(),
                                        [&](const Observer& o) { return o.ownerKey != owner; });
        std::move(it, observers_.end(), std::back_inserter(removed));
        observers_.erase(it, observers_.end());
    }
}

void NotificationCenter::removeAllObservers() {
    std::vector<Observer> removed;
    {
        std::lock_guard lock(mutex_);
        removed.swap(observers_);
    }
}

void NotificationCenter::post(std::string name, const void* object, nlohmann::json userInfo) {
    post(Notification{std::move(name), object, std::move(userInfo)});
}

void NotificationCenter::post(const Notification& notification) {
    struct Target {
        ObserverToken token;
        std::shared_ptr<Handler> handler;
    };
    std::vector<Target> targets;
    {
        std::lock_guard lock(mutex_);
        for (const auto& o : observers_) {
            if (o.hasOwner && o.owner.expired()) continue;
            if (!o.name.empty() && o.name != notification.name) continue;
            if (o.object != nullptr && o.object != notification.object) continue;
            targets.push_back(Target{o.token, o.handler});
        }
    }
    for (const auto& target : targets) {
        // An observer removed by an earlier handler of this post is not called.
        bool stillRegistered = false;
        {
            std::lock_guard lock(mutex_);
            stillRegistered = std::any_of(observers_.begin(), observers_.end(), [&](const Observer& o) {
                return o.token == target.token && (!o.hasOwner || !o.owner.expired());
            });
        }
        if (stillRegistered) (*target.handler)(notification);
    }
}

std::size_t NotificationCenter::observerCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(observers_.begin(), observers_.end(),
                                                  [](const Observer& o) { return !o.hasOwner || !o.owner.expired(); }));
}

} // namespace platform
