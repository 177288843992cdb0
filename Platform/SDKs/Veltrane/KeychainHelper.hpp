#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Error.hpp"

#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform::veltrane {

/// The error domain of keychain results and its status codes.
inline constexpr std::string_view kOSStatusErrorDomain = "NSOSStatusErrorDomain";
namespace KeychainStatus {
inline constexpr long notAvailable = -25291;         // no sandbox: nowhere to keep items
inline constexpr long itemNotFound = -25300;
inline constexpr long interactionNotAllowed = -25308; // the item's accessibility forbids it now
inline constexpr long param = -50;                    // empty service or account
inline constexpr long io = -36;                       // the keychain file could not be written
} // namespace KeychainStatus

/// The device keychain: small secret items by service and account, kept
/// across launches.
///
/// Storage: the sandbox's Library/Keychains/keychain.db holds every item as
/// JSON sealed (AES-GCM) with the device master key, so no item is ever
/// written in clear. The master key (256 random bits, made on first use) lies
/// apart from the data it seals, outside every app's sandbox: device.key in
/// the device key folder, a per-user folder of the platform's, created for its
/// owner only (0600) from the first byte.
///
/// Failure policy: a keychain file that opens but cannot be read (damaged, or
/// sealed with another master key) is moved aside as keychain.db.corrupt and
/// the keychain starts empty; the items in it are lost. A file that cannot be
/// read at the moment (an I/O error, not a missing file) is never replaced:
/// the call fails with `io` and the file is kept as it is. Only a missing key
/// file, or one that holds no key, is replaced by a new key.
///
/// Accessibility: each item carries the attribute in force when it was
/// written; while the device is locked (setDeviceLocked) items that are only
/// available when unlocked can be neither read nor written. The device counts
/// as unlocked once since start-up, so "after first unlock" items stay usable.
///
/// All members are safe to call from any thread.
class PLATFORM_EXPORT KeychainHelper {
public:
    enum class ItemAccessibility {
        whenUnlocked,
        whenUnlockedThisDeviceOnly,
        afterFirstUnlock,
        afterFirstUnlockThisDeviceOnly,
        whenPasscodeSetThisDeviceOnly,
    };

    /// Makes `accessibility` the attribute of items written from now on and
    /// re-tags every stored item with it.
    static std::expected<void, Error> setAccessibleAttribute(ItemAccessibility accessibility);
    static ItemAccessibility accessibleAttribute();

    static std::expected<Data, Error> read(const std::string& service, const std::string& account);
    /// Adds or replaces an item.
    static std::expected<void, Error> write(const std::string& service, const std::string& account, const Data& value);
    /// Removes an item; removing a missing item is not an error.
    static std::expected<void, Error> remove(const std::string& service, const std::string& account);
    /// Removes every item.
    static std::expected<void, Error> resetKeychain();

    /// The device lock (tests and scripted runs).
    static void setDeviceLocked(bool locked);
    static bool isDeviceLocked();
    /// Whether an item of this accessibility may be used now.
    static bool isAvailable(ItemAccessibility accessibility);

    static std::filesystem::path keychainFilePath();
    /// device.key in deviceKeyFolder(); empty when there is no such folder.
    static std::filesystem::path deviceKeyFilePath();
    /// The folder of the device key: the one set, else
    /// $XDG_DATA_HOME/vellicor-platform/keychain, else
    /// $HOME/.local/share/vellicor-platform/keychain; empty without either.
    static std::filesystem::path deviceKeyFolder();
    /// Puts the device key in another folder (tests give each test its own);
    /// none: the default.
    static void setDeviceKeyFolder(std::optional<std::filesystem::path> folder);

    /// Restores the start-up state: default accessibility (whenUnlocked), device unlocked.
    static void resetStateForTesting();
};

} // namespace platform::veltrane
