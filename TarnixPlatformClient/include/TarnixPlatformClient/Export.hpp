#pragma once

// Symbols of libTarnixPlatformClient.so are hidden by default; the types and
// functions that plug-ins, loggers and the app use carry this mark.
#define TARNIX_PLATFORM_CLIENT_EXPORT __attribute__((visibility("default")))
