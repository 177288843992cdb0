#pragma once

#include "VellicorApp/Instrumentation/DurationTracking.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerName.hpp"

#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEvent.hpp"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// One instrumentation record kept in memory while something happens; the
/// marker centre creates, times and logs markers. The centre's table and the
/// code that looks a marker up share one instance.
///
/// Markers carry no lock: one thread at a time may change a marker (times,
/// attributes, page, sender fields). The centre hands the analytics logger a
/// copy when the marker is logged.
class KORVAMarker {
public:
    virtual ~KORVAMarker() = default;
    KORVAMarker& operator=(const KORVAMarker&) = delete;

    KORVAMarkerName name() const { return name_; }
    /// A random UUID in its upper-case 36-character form.
    const std::string& markerID() const { return markerID_; }
    KORVAMarkerType type() const { return type_; }
    /// info, except for an error marker, which keeps the severity it was made with.
    KORVAErrorType errorType() const { return errorType_; }
    /// The running context's session ID when the marker was made.
    const std::string& sessionID() const { return sessionID_; }

    /// A JSON object of any values; none at creation.
    const std::optional<platform::Json>& attributes() const { return attributes_; }
    void setAttributes(std::optional<platform::Json> attributes) { attributes_ = std::move(attributes); }

    /// "name: <name>, ID: <id>, type: <type>, session: <session ID>,
    /// attributes: <attributes>", the attributes written as the platform
    /// writes a dictionary (["isUserLoggedIn": true]) or "nil" without any.
    std::string description() const;

    /// A separate marker of the same kind with the same values, ID included.
    virtual std::shared_ptr<KORVAMarker> copy() const = 0;

protected:
    KORVAMarker(KORVAMarkerName name, KORVAMarkerType type, KORVAErrorType errorType, std::string sessionID);
    KORVAMarker(const KORVAMarker&) = default;

private:
    const KORVAMarkerName name_;
    const std::string markerID_;
    const KORVAMarkerType type_;
    const KORVAErrorType errorType_;
    const std::string sessionID_;
    std::optional<platform::Json> attributes_;
};

/// A user or system interaction, logged the moment it happens.
class KORVAInteractionMarker final : public KORVAMarker {
public:
    /// An interaction of the running context's session that occurs now.
    static std::shared_ptr<KORVAInteractionMarker> create(KORVAMarkerName name);

    /// When the interaction happened, in seconds since 1970; the creation time.
    platform::TimeInterval occurrenceTime() const { return occurrenceTime_; }
    void setOccurrenceTime(platform::TimeInterval time) { occurrenceTime_ = time; }
    /// {"context": "native"} at creation.
    const std::map<std::string, std::string>& page() const { return page_; }
    void setPage(std::map<std::string, std::string> page) { page_ = std::move(page); }
    /// A JSON object; none at creation.
    const std::optional<platform::Json>& senderContext() const { return senderContext_; }
    void setSenderContext(std::optional<platform::Json> context) { senderContext_ = std::move(context); }
    const std::optional<std::string>& senderID() const { return senderID_; }
    void setSenderID(std::optional<std::string> id) { senderID_ = std::move(id); }
    const std::optional<std::string>& senderParentID() const { return senderParentID_; }
    void setSenderParentID(std::optional<std::string> id) { senderParentID_ = std::move(id); }
    /// Always the SDK's event type of raw value 0.
    platform::veltrane::VQAEventType eventType() const { return platform::veltrane::VQAEventType::user; }

    std::shared_ptr<KORVAMarker> copy() const override;

private:
    explicit KORVAInteractionMarker(KORVAMarkerName name);
    KORVAInteractionMarker(const KORVAInteractionMarker&) = default;

    platform::TimeInterval occurrenceTime_;
    std::map<std::string, std::string> page_;
    std::optional<platform::Json> senderContext_;
    std::optional<std::string> senderID_;
    std::optional<std::string> senderParentID_;
};

/// The display of a page, from start to end.
class KORVAPageViewMarker final : public KORVAMarker, public DurationTracking {
public:
    static std::shared_ptr<KORVAPageViewMarker> create(KORVAMarkerName name);

    platform::TimeInterval startTime() const override { return startTime_; }
    void setStartTime(platform::TimeInterval time) override { startTime_ = time; }
    platform::TimeInterval endTime() const override { return endTime_; }
    void setEndTime(platform::TimeInterval time) override { endTime_ = time; }
    /// {"context": "native"} at creation.
    const std::map<std::string, std::string>& page() const { return page_; }
    void setPage(std::map<std::string, std::string> page) { page_ = std::move(page); }

    std::shared_ptr<KORVAMarker> copy() const override;

private:
    explicit KORVAPageViewMarker(KORVAMarkerName name);
    KORVAPageViewMarker(const KORVAPageViewMarker&) = default;

    platform::TimeInterval startTime_ = 0;
    platform::TimeInterval endTime_ = 0;
    std::map<std::string, std::string> page_;
};

/// A timed piece of work (a start, a load, a session).
class KORVAPerformanceMarker final : public KORVAMarker, public DurationTracking {
public:
    static std::shared_ptr<KORVAPerformanceMarker> create(KORVAMarkerName name);

    platform::TimeInterval startTime() const override { return startTime_; }
    void setStartTime(platform::TimeInterval time) override { startTime_ = time; }
    platform::TimeInterval endTime() const override { return endTime_; }
    void setEndTime(platform::TimeInterval time) override { endTime_ = time; }

    std::shared_ptr<KORVAMarker> copy() const override;

private:
    explicit KORVAPerformanceMarker(KORVAMarkerName name);
    KORVAPerformanceMarker(const KORVAPerformanceMarker&) = default;

    platform::TimeInterval startTime_ = 0;
    platform::TimeInterval endTime_ = 0;
};

/// An error of some severity.
class KORVAErrorMarker final : public KORVAMarker {
public:
    static std::shared_ptr<KORVAErrorMarker> create(KORVAMarkerName name, KORVAErrorType errorType);

    std::shared_ptr<KORVAMarker> copy() const override;

private:
    KORVAErrorMarker(KORVAMarkerName name, KORVAErrorType errorType);
    KORVAErrorMarker(const KORVAErrorMarker&) = default;
};

} // namespace vellicor
