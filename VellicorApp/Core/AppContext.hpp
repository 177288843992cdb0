#pragma once

#include "VellicorApp/Core/Context.hpp"

#include <functional>
#include <memory>
#include <vector>

namespace vellicor {

/// The holder of the app's contexts; every part reaches the running context
/// through current().
class AppContext {
public:
    AppContext() = delete;

    /// The last context of the stack. The stack is built on first use with
    /// one context from the default-context maker, run outside the stack's
    /// guard (when two threads build at once, the first stack set is kept).
    /// An empty stack stops the app with "There must be at least 1 context!".
    /// Thread-safe.
    static std::shared_ptr<Context> current();

    using ContextMaker = std::function<std::shared_ptr<Context>()>;
    /// Replaces the maker of the context a first use builds; null restores
    /// the default one (Context::makeDefault()).
    static void setDefaultContextMaker(ContextMaker maker);

    /// Gives the current context a new session ID (a new random UUID string).
    static void updateCurrentContextSessionID();

    /// The two changes below reach parts built above this folder; they are
    /// defined where the app is put together (Shell/Assembly/AppContextSession.cpp).
    ///
    /// After sign-in: gives the current context the signed-in user's
    /// biometric lock and a network service over the user's REST client, then
    /// starts the API access check. Logs and does nothing when nobody is signed in.
    static void updateWithCurrentUser();
    /// After sign-out: drops the biometric lock, clears every cookie, cancels
    /// the file downloads under way, clears the downloaded files and the
    /// stored tab configuration, and puts back the
    /// network service over the global REST client. Logs and does nothing
    /// when nobody is signed in.
    static void cleanupWithUserLogout();

    /// Replaces the stack (tests; an empty stack is allowed, to reach the fatal error).
    static void setStackForTesting(std::vector<std::shared_ptr<Context>> stack);
    /// Forgets the stack, so that the next current() builds it afresh.
    static void resetForTesting();
};

} // namespace vellicor
