// A deliberate upward include: the base reaching the shell.
#pragma once
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Shell/AppDelegate.hpp"
