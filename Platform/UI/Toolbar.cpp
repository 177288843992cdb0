#include "Platform/UI/Toolbar.hpp"

namespace platform::ui {

std::shared_ptr<Toolbar> Toolbar::create(Rect frame) { return makeView<Toolbar>(frame); }

} // namespace platform::ui
