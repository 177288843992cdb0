// Downward includes only: not reported.
#pragma once
#include "Platform/Export.hpp"
#include "Platform/Foundation/Planted.hpp"
