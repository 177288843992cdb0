#pragma once

// The platform's standard views and controls, for code that uses several.

#include "Platform/UI/ActivityIndicatorView.hpp"
#include "Platform/UI/Button.hpp"
#include "Platform/UI/Control.hpp"
#include "Platform/UI/ImageView.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/ScrollView.hpp"
#include "Platform/UI/StackView.hpp"
#include "Platform/UI/Switch.hpp"
#include "Platform/UI/TableView.hpp"
#include "Platform/UI/TextField.hpp"
#include "Platform/UI/TextView.hpp"
#include "Platform/UI/VisualEffectView.hpp"
