#include "VellicorApp/Instrumentation/KORVAMarker.hpp"

#include "VellicorApp/Core/AppContext.hpp"

#include "Platform/Foundation/Uuid.hpp"

namespace vellicor {

namespace {

std::map<std::string, std::string> nativePage() {
    return {{"context", std::string(rawValue(KORVAMarkerPage::Context::native))}};
}

std::string currentSessionID() { return AppContext::current()->sessionID(); }

void appendQuoted(std::string& out, const std::string& text) {
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
}

/// A value the way the platform describes the values of a dictionary:
/// ["key": value, ...] for dictionaries ([:] when empty), [a, b] for arrays,
/// strings in quotes, nil for null.
void appendDescription(std::string& out, const platform::Json& value) {
    switch (value.type()) {
    case platform::Json::value_t::object: {
        if (value.empty()) {
            out += "[:]";
            return;
        }
        out += '[';
        bool first = true;
        for (const auto& [key, item] : value.items()) {
            if (!first) out += ", ";
            first = false;
            appendQuoted(out, key);
            out += ": ";
            appendDescription(out, item);
        }
        out += ']';
        return;
    }
    case platform::Json::value_t::array: {
        out += '[';
        bool first = true;
        for (const auto& item : value) {
            if (!first) out += ", ";
            first = false;
            appendDescription(out, item);
        }
        out += ']';
        return;
    }
    case platform::Json::value_t::string: appendQuoted(out, value.get_ref<const std::string&>()); return;
    case platform::Json::value_t::null: out += "nil"; return;
    default: out += value.dump(); return;
    }
}

} // namespace

KORVAMarker::KORVAMarker(KORVAMarkerName name, KORVAMarkerType type, KORVAErrorType errorType, std::string sessionID)
    : name_(name),
      markerID_(platform::Uuid().uuidString()),
      type_(type),
      errorType_(errorType),
      sessionID_(std::move(sessionID)) {}

std::string KORVAMarker::description() const {
    std::string text = "name: ";
    text.append(rawValue(name_));
    text.append(", ID: ").append(markerID_);
    text.append(", type: ").append(rawValue(type_));
    text.append(", session: ").append(sessionID_);
    text.append(", attributes: ");
    if (attributes_) {
        appendDescription(text, *attributes_);
    } else {
        text.append("nil");
    }
    return text;
}

KORVAInteractionMarker::KORVAInteractionMarker(KORVAMarkerName name)
    : KORVAMarker(name, KORVAMarkerType::interaction, KORVAErrorType::info, currentSessionID()),
      // Stamped at creation, so that the interaction's event carries when it happened.
      occurrenceTime_(platform::now()),
      page_(nativePage()) {}

std::shared_ptr<KORVAInteractionMarker> KORVAInteractionMarker::create(KORVAMarkerName name) {
    return std::shared_ptr<KORVAInteractionMarker>(new KORVAInteractionMarker(name));
}

std::shared_ptr<KORVAMarker> KORVAInteractionMarker::copy() const {
    return std::shared_ptr<KORVAInteractionMarker>(new KORVAInteractionMarker(*this));
}

KORVAPageViewMarker::KORVAPageViewMarker(KORVAMarkerName name)
    : KORVAMarker(name, KORVAMarkerType::pageView, KORVAErrorType::info, currentSessionID()), page_(nativePage()) {}

std::shared_ptr<KORVAPageViewMarker> KORVAPageViewMarker::create(KORVAMarkerName name) {
    return std::shared_ptr<KORVAPageViewMarker>(new KORVAPageViewMarker(name));
}

std::shared_ptr<KORVAMarker> KORVAPageViewMarker::copy() const {
    return std::shared_ptr<KORVAPageViewMarker>(new KORVAPageViewMarker(*this));
}

KORVAPerformanceMarker::KORVAPerformanceMarker(KORVAMarkerName name)
    : KORVAMarker(name, KORVAMarkerType::performance, KORVAErrorType::info, currentSessionID()) {}

std::shared_ptr<KORVAPerformanceMarker> KORVAPerformanceMarker::create(KORVAMarkerName name) {
    return std::shared_ptr<KORVAPerformanceMarker>(new KORVAPerformanceMarker(name));
}

std::shared_ptr<KORVAMarker> KORVAPerformanceMarker::copy() const {
    return std::shared_ptr<KORVAPerformanceMarker>(new KORVAPerformanceMarker(*this));
}

KORVAErrorMarker::KORVAErrorMarker(KORVAMarkerName name, KORVAErrorType errorType)
    : KORVAMarker(name, KORVAMarkerType::error, errorType, currentSessionID()) {}

std::shared_ptr<KORVAErrorMarker> KORVAErrorMarker::create(KORVAMarkerName name, KORVAErrorType errorType) {
    return std::shared_ptr<KORVAErrorMarker>(new KORVAErrorMarker(name, errorType));
}

std::shared_ptr<KORVAMarker> KORVAErrorMarker::copy() const {
    return std::shared_ptr<KORVAErrorMarker>(new KORVAErrorMarker(*this));
}

} // namespace vellicor
