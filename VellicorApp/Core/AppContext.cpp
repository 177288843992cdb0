#include "VellicorApp/Core/AppContext.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Uuid.hpp"

#include <mutex>
#include <optional>

namespace vellicor {

namespace {

struct Stack {
    std::mutex mutex;
    std::optional<std::vector<std::shared_ptr<Context>>> contexts;
    AppContext::ContextMaker maker;
};

Stack& stack() {
    static Stack instance;
    return instance;
}

} // namespace

namespace {

/// The last context of a built stack; none, with the maker to build it,
/// while the stack is not built.
std::optional<std::shared_ptr<Context>> lastContext(AppContext::ContextMaker& maker) {
    auto& s = stack();
    std::lock_guard lock(s.mutex);
    if (!s.contexts) {
        maker = s.maker;
        return std::nullopt;
    }
    return s.contexts->empty() ? nullptr : s.contexts->back();
}

} // namespace

std::shared_ptr<Context> AppContext::current() {
    ContextMaker maker;
    auto last = lastContext(maker);
    if (!last) {
        // Built outside the guard: making the default context reaches the
        // SDK's shared objects, which may take locks of their own or touch
        // the stack. When two threads build at once, the first stack set wins.
        auto built = maker ? maker() : Context::makeDefault();
        auto& s = stack();
        std::lock_guard lock(s.mutex);
        if (!s.contexts) s.contexts = std::vector<std::shared_ptr<Context>>{std::move(built)};
        last = s.contexts->empty() ? nullptr : s.contexts->back();
    }
    if (!*last) platform::fatalError("There must be at least 1 context!");
    return *last;
}

void AppContext::updateCurrentContextSessionID() { current()->setSessionID(platform::Uuid().uuidString()); }

void AppContext::setDefaultContextMaker(ContextMaker maker) {
    auto& s = stack();
    std::lock_guard lock(s.mutex);
    std::swap(s.maker, maker);
}

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
