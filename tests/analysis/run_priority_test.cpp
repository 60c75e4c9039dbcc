// "Low Process Priority": the run thread and the threads it creates run at SCHED_IDLE; no
// other thread of the process is touched, before or after.
#include "analysis/analysis_run_thread.h"
#include "analysis/run_fixture.h"
#include "platform/thread_priority.h"

#include <future>
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

namespace bv::testing {
namespace {

struct PolicyProbe : RunObserver {
    std::vector<int> framePolicies;
    void OnFrame(const FrameReport&) override { framePolicies.push_back(CurrentThreadPolicy()); }
};

// A thread of the process that exists before the run and lives on after it.
class Bystander {
public:
    Bystander()
        : thread_([this] {
              tid_.set_value(gettid());
              done_.get_future().wait();
          }) {}
    ~Bystander() {
        done_.set_value();
        thread_.join();
    }
    int Policy() { return sched_getscheduler(tidFuture_.get()); }

private:
    std::promise<pid_t> tid_;
    std::shared_future<pid_t> tidFuture_ = tid_.get_future().share();
    std::promise<void> done_;
    std::thread thread_;
};

class RunPriority : public RunFolder {
protected:
    RunOutcome RunOnThread(AnalysisSettings s, RunObserver& observer) {
        RunContext context;
        context.environment = &Environment();
        context.graph = &graph_;
        context.stopRequested = &stop_;
        context.observer = &observer;
        AnalysisRunThread thread;
        bool completed = false;
        thread.Start(s, context, [&completed](const RunOutcome&) { completed = true; });
        RunOutcome out = thread.Wait();
        EXPECT_TRUE(completed);
        EXPECT_FALSE(thread.IsRunning());
        return out;
    }
};

TEST_F(RunPriority, LowPriorityRunsTheFrameLoopAndItsThreadsAtIdle) {
    Bystander bystander;
    ASSERT_EQ(CurrentThreadPolicy(), SCHED_OTHER);
    ASSERT_EQ(bystander.Policy(), SCHED_OTHER);

    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=3");
    AnalysisSettings s = Settings(s1, {s1});
    s.ExtendedLog = s.StandardLog = false;
    s.LowPriority = true;
    PolicyProbe probe;
    const RunOutcome out = RunOnThread(s, probe);
    ASSERT_NE(out.status, RunStatus::Failed) << out.error;
    EXPECT_EQ(probe.framePolicies, (std::vector<int>{SCHED_IDLE, SCHED_IDLE, SCHED_IDLE}));
    EXPECT_EQ(FakeWorkerPolicy(), SCHED_IDLE); // a decoder thread made by the run
    EXPECT_EQ(FakeFetchPolicy(), SCHED_IDLE);  // the thread that reads the frames ahead

    EXPECT_EQ(CurrentThreadPolicy(), SCHED_OTHER);
    EXPECT_EQ(bystander.Policy(), SCHED_OTHER);

    // A run without the option stays at normal priority.
    s.LowPriority = false;
    PolicyProbe normal;
    RunOnThread(s, normal);
    EXPECT_EQ(normal.framePolicies, (std::vector<int>{SCHED_OTHER, SCHED_OTHER, SCHED_OTHER}));
    EXPECT_EQ(FakeWorkerPolicy(), SCHED_OTHER);
    EXPECT_EQ(FakeFetchPolicy(), SCHED_OTHER);
}

TEST_F(RunPriority, ASecondStartWhileRunningIsRefused) {
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=3 delay=30");
    AnalysisSettings s = Settings(s1, {s1});
    s.ExtendedLog = s.StandardLog = false;
    RunContext context;
    context.environment = &Environment();
    context.graph = &graph_;
    AnalysisRunThread thread;
    thread.Start(s, context);
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_THROW(thread.Start(s, context), std::logic_error);
    EXPECT_NE(thread.Wait().status, RunStatus::Failed);
    thread.Start(s, context); // a finished run makes room for the next
    thread.Wait();
}

} // namespace
} // namespace bv::testing
