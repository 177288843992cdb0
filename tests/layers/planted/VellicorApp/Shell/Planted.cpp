// Downward includes only: not reported.
#include "VellicorApp/Core/Planted.hpp"
#include "Platform/SDKs/Planted.hpp"
