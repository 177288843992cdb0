#include "VellicorApp/Core/Fault.hpp"

#include <gtest/gtest.h>

namespace {

class PlainFault : public vellicor::Fault {
public:
    std::optional<std::string> description() const override { return "text"; }
};

TEST(FaultTest, AFaultThatSaysNothingElseCanBeIgnoredIsLowAndHasNoAction) {
    const PlainFault fault;
    EXPECT_TRUE(fault.canIgnore());
    EXPECT_EQ(fault.priority(), vellicor::FaultPriority::low);
    EXPECT_FALSE(fault.action().has_value());
    EXPECT_EQ(static_cast<int>(vellicor::FaultPriority::medium), 10);
    EXPECT_EQ(static_cast<int>(vellicor::FaultPriority::high), 20);
}

} // namespace
