#include "ThrownError.hpp"

#include "TarnixPlatformClient/ServiceAccessError.hpp"
#include "TarnixPlatformClient/TarnixPluginFailure.hpp"

#include "Platform/Foundation/Error.hpp"

namespace tarnix::detail {

std::string describeThrown(std::exception_ptr error) {
    if (!error) return "The operation couldn\u2019t be completed.";
    try {
        std::rethrow_exception(error);
    } catch (const platform::Error& e) {
        return e.localizedDescription();
    } catch (const ServiceAccessError& e) {
        return localizedDescription(e);
    } catch (const TarnixPluginFailure& e) {
        return e.localizedDescription();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "The operation couldn\u2019t be completed.";
    }
}

} // namespace tarnix::detail
