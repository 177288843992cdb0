#pragma once

#include <filesystem>

namespace vellicor {

/// The sample app package in the source tree (Info.plist, resources,
/// localisation bundle), for the tests and benchmarks that run the app's code
/// against it; linked in with VellicorAppResources. Defined in one generated
/// source, so that no other compilation carries the checkout's absolute path
/// and clones in different folders share compiler cache hits.
std::filesystem::path sampleResourcesDirectory();
/// The resources the build makes for a package of the app (the country-code
/// table), in the build folder; a package carries them next to the sample's.
std::filesystem::path generatedResourcesDirectory();

} // namespace vellicor
