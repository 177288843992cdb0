#pragma once

// Symbols of libVellicorPlatform.so are hidden by default; types and
// functions meant for the app and the plug-in libraries carry this mark.
#define PLATFORM_EXPORT __attribute__((visibility("default")))
