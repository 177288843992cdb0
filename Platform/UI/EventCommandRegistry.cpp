#include "Platform/UI/EventCommandRegistry.hpp"

#include <map>
#include <mutex>

namespace platform::ui {

namespace {

struct Tables {
    std::mutex mutex;
    std::map<std::string, EventCommandRegistry::Registrar> byArea;
};

Tables& tables() {
    // Filled by static initialisers of other files: made on first use, never destroyed.
    static auto* all = new Tables;
    return *all;
}

} // namespace

void EventCommandRegistry::add(const std::string& area, Registrar registrar) {
    auto& t = tables();
    std::lock_guard lock(t.mutex);
    t.byArea[area] = std::move(registrar);
}

void EventCommandRegistry::registerAll(EventDriver& driver) {
    std::vector<Registrar> registrars;
    {
        auto& t = tables();
        std::lock_guard lock(t.mutex);
        for (const auto& [area, registrar] : t.byArea) registrars.push_back(registrar);
    }
    for (const auto& registrar : registrars) registrar(driver);
}

std::vector<std::string> EventCommandRegistry::areas() {
    auto& t = tables();
    std::lock_guard lock(t.mutex);
    std::vector<std::string> names;
    for (const auto& [area, registrar] : t.byArea) names.push_back(area);
    return names;
}

} // namespace platform::ui
