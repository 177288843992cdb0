#include "VellicorApp/Core/BaseFlowCoordinator.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

using namespace vellicor;
using ::testing::ElementsAre;

namespace {

/// Logs its own work, then ends at once with the error it was given.
class ImmediateStep : public BaseFlowCoordinator {
public:
    static std::shared_ptr<ImmediateStep> create(std::optional<FlowCoordinatorError> error = std::nullopt) {
        return std::shared_ptr<ImmediateStep>(new ImmediateStep(std::move(error)));
    }

protected:
    void execute() override {
        Logger::info("working", "ImmediateStep");
        complete(error_);
    }

private:
    explicit ImmediateStep(std::optional<FlowCoordinatorError> error) : error_(std::move(error)) {}
    std::optional<FlowCoordinatorError> error_;
};

/// Ends on the main queue, holding itself weakly meanwhile.
class QueuedStep : public BaseFlowCoordinator {
public:
    static std::shared_ptr<QueuedStep> create() { return std::shared_ptr<QueuedStep>(new QueuedStep()); }

protected:
    void execute() override {
        platform::MainQueue::async([weak = weak_from_this()] {
            if (auto self = std::static_pointer_cast<QueuedStep>(weak.lock())) self->complete(std::nullopt);
        });
    }

private:
    QueuedStep() = default;
};

/// Ends only when the test says so.
class ManualStep : public BaseFlowCoordinator {
public:
    static std::shared_ptr<ManualStep> create() { return std::shared_ptr<ManualStep>(new ManualStep()); }
    void finish(const std::optional<FlowCoordinatorError>& error) { complete(error); }

protected:
    void execute() override {}

private:
    ManualStep() = default;
};

/// Ends with an error it keeps itself, when the test says so, and forgets
/// the error when it goes.
class FailingStep : public BaseFlowCoordinator {
public:
    static std::shared_ptr<FailingStep> create() { return std::shared_ptr<FailingStep>(new FailingStep()); }
    ~FailingStep() override { error_ = FlowCoordinatorError::requiresAuthentication(); }
    void fail() { complete(error_); }

protected:
    void execute() override {}

private:
    FailingStep() = default;
    std::optional<FlowCoordinatorError> error_ = FlowCoordinatorError::invalidAction();
};

/// Schedules a block 0.3 s after its start, and ends when the test says so.
class WaitingStep : public BaseFlowCoordinator {
public:
    static std::shared_ptr<WaitingStep> create(int& ran) { return std::shared_ptr<WaitingStep>(new WaitingStep(ran)); }
    void finish() { complete(std::nullopt); }
    bool waiting() { return delayedWork().hasPendingWork(); }

protected:
    void execute() override {
        delayedWork().after(0.3, [&ran = ran_] { ++ran; });
    }

private:
    explicit WaitingStep(int& ran) : ran_(ran) {}
    int& ran_;
};

/// Forgets to implement its work.
class IncompleteStep : public BaseFlowCoordinator {
public:
    static std::shared_ptr<IncompleteStep> create() { return std::shared_ptr<IncompleteStep>(new IncompleteStep()); }

private:
    IncompleteStep() = default;
};

class BaseFlowCoordinatorTest : public apptest::AppTest {
protected:
    void SetUp() override { apptest::installContext(apptest::sampleResources()); }
};

TEST_F(BaseFlowCoordinatorTest, LogsItsStartBeforeItsWorkAndItsEndWithoutError) {
    std::vector<std::string> ended;
    ImmediateStep::create()->start([&ended](const auto& error) {
        ended.push_back(error ? localizedDescription(*error) : "none");
    });
    EXPECT_THAT(ended, ElementsAre("none"));
    EXPECT_THAT(apptest::appLogTexts("INFO"), ElementsAre("BaseFlowCoordinator: [ImmediateStep] Started.",
                                                          "ImmediateStep: working",
                                                          "BaseFlowCoordinator: [ImmediateStep] Completed. Error: N/A"));
    for (const auto& line : apptest::appLogLines()) {
        if (line.text.starts_with("BaseFlowCoordinator")) {
            EXPECT_EQ(line.className, "BaseFlowCoordinator");
        }
    }
}

TEST_F(BaseFlowCoordinatorTest, LogsTheErrorsDescriptionAndHandsTheErrorOn) {
    std::optional<FlowCoordinatorError> received;
    ImmediateStep::create(FlowCoordinatorError::invalidAction())->start([&received](const auto& error) { received = error; });
    ASSERT_TRUE(received);
    EXPECT_EQ(received->kind(), FlowCoordinatorError::Case::invalidAction);
    EXPECT_EQ(apptest::appLogTexts("INFO").back(), "BaseFlowCoordinator: [ImmediateStep] Completed. Error: INVALID_ACTION");
}

TEST_F(BaseFlowCoordinatorTest, RunsWithoutACompletion) {
    ImmediateStep::create()->start(nullptr);
    EXPECT_EQ(apptest::appLogTexts("INFO").size(), 3u);
}

TEST_F(BaseFlowCoordinatorTest, ACompletedTwiceStepCallsItsCompletionTwice) {
    const auto step = ManualStep::create();
    int calls = 0;
    step->start([&calls](const auto&) { ++calls; });
    step->finish(std::nullopt);
    step->finish(FlowCoordinatorError::requiresWebBootstrap());
    EXPECT_EQ(calls, 2);
}

TEST_F(BaseFlowCoordinatorTest, StartingAgainReplacesTheCompletion) {
    const auto step = ManualStep::create();
    int first = 0;
    int second = 0;
    step->start([&first](const auto&) { ++first; });
    step->start([&second](const auto&) { ++second; });
    step->finish(std::nullopt);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
}

TEST_F(BaseFlowCoordinatorTest, TheOwnerMayDropAStepThatEndsAtOnce) {
    std::shared_ptr<BaseFlowCoordinator> activeStep = ImmediateStep::create();
    std::weak_ptr<BaseFlowCoordinator> watch = activeStep;
    bool ended = false;
    activeStep->start([&activeStep, &ended](const auto&) {
        activeStep.reset();
        ended = true;
    });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(watch.expired());
}

TEST_F(BaseFlowCoordinatorTest, TheOwnerMayDropAStepInsideItsLaterCompletion) {
    std::shared_ptr<BaseFlowCoordinator> activeStep = QueuedStep::create();
    std::weak_ptr<BaseFlowCoordinator> watch = activeStep;
    int calls = 0;
    activeStep->start([&activeStep, &calls](const auto&) {
        ++calls;
        activeStep.reset();
    });
    testsupport::pump();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(watch.expired());
}

TEST_F(BaseFlowCoordinatorTest, AStepDroppedInsideItsCompletionStillHandsOnItsError) {
    auto step = FailingStep::create();
    std::shared_ptr<BaseFlowCoordinator> activeStep = step;
    std::weak_ptr<BaseFlowCoordinator> watch = step;
    std::optional<FlowCoordinatorError> received;
    activeStep->start([&activeStep, &received](const auto& error) {
        activeStep.reset();
        received = error;
    });
    auto* raw = step.get();
    step.reset();
    raw->fail();
    EXPECT_TRUE(watch.expired());
    ASSERT_TRUE(received);
    EXPECT_EQ(received->kind(), FlowCoordinatorError::Case::invalidAction);
}

TEST_F(BaseFlowCoordinatorTest, AStepDroppedBeforeItEndsEndsSilently) {
    auto step = QueuedStep::create();
    bool called = false;
    step->start([&called](const auto&) { called = true; });
    step.reset();
    testsupport::pump();
    EXPECT_FALSE(called);
    EXPECT_THAT(apptest::appLogTexts("INFO"), ElementsAre("BaseFlowCoordinator: [QueuedStep] Started."));
}

TEST_F(BaseFlowCoordinatorTest, DelayedWorkRunsOnlyWhileItsStepRuns) {
    struct Case {
        const char* name;
        std::function<void(std::shared_ptr<WaitingStep>&)> meanwhile;
        int runs;
    };
    const Case cases[] = {
        {"still running", [](auto&) {}, 1},
        {"completed", [](auto& step) { step->finish(); }, 0},
        {"cancelled by its owner", [](auto& step) { step->cancel(); }, 0},
        {"cancelled through the step interface", [](auto& step) { static_cast<FlowCoordinator&>(*step).cancel(); }, 0},
        {"dropped", [](auto& step) { step.reset(); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int ran = 0;
        auto step = WaitingStep::create(ran);
        step->start(nullptr);
        EXPECT_TRUE(step->waiting());
        testsupport::advance(0.2);
        c.meanwhile(step);
        if (step) {
            EXPECT_EQ(step->waiting(), c.runs == 1);
        }
        testsupport::advance(0.2);
        EXPECT_EQ(ran, c.runs);
        if (step) {
            EXPECT_FALSE(step->waiting()) << "nothing is left waiting";
        }
    }
}

TEST_F(BaseFlowCoordinatorTest, AStepWithoutWorkStopsTheApp) {
    EXPECT_DEATH(IncompleteStep::create()->start(nullptr), "Children should implement `execute`.");
}

} // namespace
