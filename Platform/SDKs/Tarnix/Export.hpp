#pragma once

// Symbols of libTarnixBridge.so are hidden by default; what the app and the
// tests use carries this mark.
#define TARNIX_BRIDGE_EXPORT __attribute__((visibility("default")))
