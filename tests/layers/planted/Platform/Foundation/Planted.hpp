// A deliberate upward include inside the platform, and one into the app.
#pragma once
#include "Platform/SDKs/Planted.hpp"
#include "VellicorApp/Core/Context.hpp"
