#include "VellicorApp/Interface/ConstraintOutlet.hpp"

namespace vellicor {

using platform::ui::LayoutConstraint;
using platform::ui::View;

ConstraintOutlet ConstraintOutlet::activate(LayoutConstraint constraint, const std::string& name) {
    // Main thread only, as all interface state.
    static unsigned long next = 0;
    constraint.identifier = name + "#" + std::to_string(++next);
    const auto identifier = constraint.identifier;
    auto first = constraint.first.view.lock();
    LayoutConstraint::activate({std::move(constraint)});
    // The constraint went to the nearest common ancestor of its items, which
    // the search from the first item reaches.
    return ConstraintOutlet(first, identifier);
}

LayoutConstraint* ConstraintOutlet::get() const {
    auto holder = holder_.lock();
    return holder && !identifier_.empty() ? holder->constraintWithIdentifier(identifier_) : nullptr;
}

double ConstraintOutlet::constant() const {
    auto* constraint = get();
    return constraint ? constraint->constant : 0;
}

void ConstraintOutlet::setConstant(double constant) const {
    if (auto* constraint = get()) constraint->constant = constant;
}

} // namespace vellicor
