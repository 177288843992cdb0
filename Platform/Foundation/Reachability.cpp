#include "Platform/Foundation/Reachability.hpp"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {
namespace {

struct ReachabilityState {
    std::atomic<bool> offline{false};
    std::mutex mutex; // guards observers, nextToken and the order of changes
    std::map<std::uint64_t, std::shared_ptr<Reachability::Observer>> observers;
    std::uint64_t nextToken = 1;
};

ReachabilityState& state() {
    static ReachabilityState instance;
    return instance;
}

} // namespace

bool Reachability::isOffline() { return state().offline.load(); }

void Reachability::setOffline(bool offline) {
    auto& s = state();
    std::vector<std::shared_ptr<Observer>> toCall;
    {
        std::lock_guard lock(s.mutex);
        if (s.offline.exchange(offline) == offline) {
            return;
        }
        for (const auto& [token, observer] : s.observers) {
            toCall.push_back(observer);
        }
    }
    for (const auto& observer : toCall) {
        (*observer)(offline);
    }
}

std::uint64_t Reachability::addObserver(Observer observer) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    auto token = s.nextToken++;
    s.observers.emplace(token, std::make_shared<Observer>(std::move(observer)));
    return token;
}

void Reachability::removeObserver(std::uint64_t token) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.observers.erase(token);
}

} // namespace platform
