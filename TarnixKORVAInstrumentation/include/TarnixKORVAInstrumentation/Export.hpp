#pragma once

// Symbols of libTarnixKORVAInstrumentation.so are hidden by default; the
// logger and marker types carry this mark.
#define TARNIX_KORVA_INSTRUMENTATION_EXPORT __attribute__((visibility("default")))
