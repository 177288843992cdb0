#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/View.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

/// A spinner. With hidesWhenStopped (the default) it is hidden whenever it is
/// not animating.
class PLATFORM_EXPORT ActivityIndicatorView : public View {
public:
    enum class Style { medium, large };

    static std::shared_ptr<ActivityIndicatorView> create(Style style = Style::medium, Rect frame = {});

    Style style = Style::medium;
    std::optional<Color> color;

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }
    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool hides);

    std::string typeName() const override { return "ActivityIndicatorView"; }
    /// "animating" while it spins, then the view's parts.
    void describeState(std::vector<std::string>& parts) const override;

protected:
    ActivityIndicatorView(Style style, Rect frame);

private:
    bool animating_ = false;
    bool hidesWhenStopped_ = true;
};

} // namespace platform::ui
