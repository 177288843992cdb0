#pragma once

#include "Platform/Export.hpp"

#include <functional>
#include <memory>
#include <string>

namespace platform::veltrane {

/// One action of the developer-support menu: a title and what to do.
class PLATFORM_EXPORT VQSDKDevAction {
public:
    static std::shared_ptr<VQSDKDevAction> create(std::string name, std::function<void()> handler);
    virtual ~VQSDKDevAction();

    const std::string& name() const { return name_; }
    const std::function<void()>& handler() const { return handler_; }
    /// Runs the handler, if there is one.
    void perform() const {
        if (handler_) handler_();
    }

protected:
    VQSDKDevAction(std::string name, std::function<void()> handler)
        : name_(std::move(name)), handler_(std::move(handler)) {}

private:
    std::string name_;
    std::function<void()> handler_;
};

} // namespace platform::veltrane
