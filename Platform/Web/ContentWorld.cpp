#include "Platform/Web/ContentWorld.hpp"

#include <map>
#include <mutex>

namespace platform::web {

std::shared_ptr<ContentWorld> ContentWorld::page() {
    static const std::shared_ptr<ContentWorld> world(new ContentWorld(Kind::page, std::nullopt));
    return world;
}

std::shared_ptr<ContentWorld> ContentWorld::defaultClient() {
    static const std::shared_ptr<ContentWorld> world(new ContentWorld(Kind::defaultClient, std::nullopt));
    return world;
}

std::shared_ptr<ContentWorld> ContentWorld::world(const std::string& name) {
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<ContentWorld>> worlds;
    std::lock_guard lock(mutex);
    auto& world = worlds[name];
    if (!world) {
        world.reset(new ContentWorld(Kind::named, name));
    }
    return world;
}

std::string ContentWorld::description() const {
    switch (kind_) {
    case Kind::page: return "page";
    case Kind::defaultClient: return "defaultClient";
    case Kind::named: break;
    }
    return name_.value_or("");
}

} // namespace platform::web
