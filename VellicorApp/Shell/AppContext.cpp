#include "VellicorApp/Shell/AppContext.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Uuid.hpp"

#include <mutex>
#include <optional>

namespace vellicor {

namespace {

struct Stack {
    std::mutex mutex;
    std::optional<std::vector<std::shared_ptr<Context>>> contexts;
};

Stack& stack() {
    static Stack instance;
    return instance;
}

} // namespace

std::shared_ptr<Context> AppContext::current() {
    std::shared_ptr<Context> last;
    {
        auto& s = stack();
        std::lock_guard lock(s.mutex);
        if (!s.contexts) s.contexts = std::vector<std::shared_ptr<Context>>{Context::makeDefault()};
        if (!s.contexts->empty()) last = s.contexts->back();
    }
    if (!last) platform::fatalError("There must be at least 1 context!");
    return last;
}

void AppContext::updateCurrentContextSessionID() { current()->sessionID = platform::Uuid().uuidString(); }

void AppContext::setStackForTesting(std::vector<std::shared_ptr<Context>> contexts) {
    auto& s = stack();
    std::lock_guard lock(s.mutex);
    s.contexts = std::move(contexts);
}

void AppContext::resetForTesting() {
    auto& s = stack();
    std::lock_guard lock(s.mutex);
    s.contexts.reset();
}

} // namespace vellicor
