#pragma once

#include "Platform/UI/View.hpp"

#include <memory>
#include <string>

namespace vellicor {

/// A reference to one active layout constraint, by the view that holds it and
/// the constraint's identifier. Constraints are kept as values by the views
/// that hold them, so code that changes a constant later finds it again here;
/// once the constraint is gone (its view left the tree) the outlet is empty.
class ConstraintOutlet {
public:
    ConstraintOutlet() = default;
    ConstraintOutlet(const std::shared_ptr<platform::ui::View>& holder, std::string identifier)
        : holder_(holder), identifier_(std::move(identifier)) {}

    /// Activates the constraint under a fresh identifier made from `name` and
    /// returns the outlet to it.
    static ConstraintOutlet activate(platform::ui::LayoutConstraint constraint, const std::string& name);

    /// The constraint, or null when it is gone.
    platform::ui::LayoutConstraint* get() const;
    explicit operator bool() const { return get() != nullptr; }
    /// Its constant; 0 when it is gone.
    double constant() const;
    /// Changes the constant; nothing when the constraint is gone.
    void setConstant(double constant) const;
    const std::string& identifier() const { return identifier_; }

private:
    std::weak_ptr<platform::ui::View> holder_;
    std::string identifier_;
};

} // namespace vellicor
