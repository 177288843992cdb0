#pragma once

#include "Platform/Foundation/Data.hpp"

#include <optional>
#include <string>

namespace vellicor {

/// The label of the one key under which the app encrypts its small stored
/// files; the SDK's key generator makes and keeps the key itself.
std::string metadataEncryptionKeyLabel();

/// The data encrypted under the app's metadata key; none on any failure (the
/// key unavailable, the encryptor failing). Nothing is logged.
std::optional<platform::Data> encrypted(const platform::Data& data);
/// The plain data of what encrypted() gave, in this launch or a later one;
/// none on any failure (no key, foreign or damaged data). Nothing is logged.
std::optional<platform::Data> decrypted(const platform::Data& data);

} // namespace vellicor
