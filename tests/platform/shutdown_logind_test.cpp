// The shutdown request against a fake logind (python3-dbusmock) on a private bus that the test
// starts and names in DBUS_SYSTEM_BUS_ADDRESS.
#include "analysis/run_fixture.h"
#include "cli/cli_process.h"
#include "platform/shutdown_request.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace bv::testing {
namespace {

pid_t Spawn(const std::vector<std::string>& argv, int stdoutFd = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

void Stop(pid_t& pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    pid = -1;
}

// A private bus with a fake logind on it, for the whole suite.
class FakeLogind {
public:
    FakeLogind() {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        bus_ = Spawn({"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"}, fds[1]);
        close(fds[1]);
        std::string address;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            address += c;
        close(fds[0]);
        if (address.empty())
            return;
        setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
        mock_ = Spawn({"/usr/bin/python3", "-m", "dbusmock", "--template", "logind"});
        for (int i = 0; i < 200 && !ready_; ++i) {
            ready_ = NameHasOwner();
            if (!ready_)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~FakeLogind() {
        Stop(mock_);
        Stop(bus_);
    }
    bool ready() const { return ready_; }

    // The arguments of every PowerOff the fake received.
    std::vector<bool> PowerOffCalls() {
        std::vector<bool> calls;
        sd_bus* bus = nullptr;
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        if (sd_bus_open_system(&bus) >= 0 &&
            sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                               "org.freedesktop.DBus.Mock", "GetMethodCalls", &error, &reply, "s",
                               "PowerOff") >= 0) {
            sd_bus_message_enter_container(reply, 'a', "(tav)");
            while (sd_bus_message_enter_container(reply, 'r', "tav") > 0) {
                uint64_t when = 0;
                sd_bus_message_read(reply, "t", &when);
                sd_bus_message_enter_container(reply, 'a', "v");
                int interactive = -1;
                sd_bus_message_read(reply, "v", "b", &interactive);
                calls.push_back(interactive != 0);
                sd_bus_message_exit_container(reply); // av
                sd_bus_message_exit_container(reply); // (tav)
            }
        } else {
            ADD_FAILURE() << "GetMethodCalls: " << (error.message ? error.message : "no bus");
        }
        sd_bus_error_free(&error);
        sd_bus_message_unref(reply);
        sd_bus_flush_close_unref(bus);
        return calls;
    }

private:
    bool NameHasOwner() {
        sd_bus* bus = nullptr;
        if (sd_bus_open_system(&bus) < 0)
            return false;
        sd_bus_message* reply = nullptr;
        int owned = 0;
        if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                               "NameHasOwner", nullptr, &reply, "s", "org.freedesktop.login1") >= 0)
            sd_bus_message_read(reply, "b", &owned);
        sd_bus_message_unref(reply);
        sd_bus_flush_close_unref(bus);
        return owned != 0;
    }

    pid_t bus_ = -1;
    pid_t mock_ = -1;
    bool ready_ = false;
};

FakeLogind& Logind() {
    static FakeLogind logind;
    return logind;
}

TEST(ShutdownRequest, PowerOffReachesLogindNonInteractively) {
    ASSERT_TRUE(Logind().ready()) << "no fake logind: needs dbus-daemon and python3-dbusmock";
    const auto before = Logind().PowerOffCalls().size();
    const ShutdownAnswer answer = RequestPowerOff();
    EXPECT_TRUE(answer.accepted) << answer.error;
    const auto calls = Logind().PowerOffCalls();
    ASSERT_EQ(calls.size(), before + 1);
    EXPECT_FALSE(calls.back()); // interactive = false
}

TEST(ShutdownRequest, NoBusMeansRefusedWithAReason) {
    const std::string saved =
        std::getenv("DBUS_SYSTEM_BUS_ADDRESS") ? std::getenv("DBUS_SYSTEM_BUS_ADDRESS") : "";
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
    const ShutdownAnswer answer = RequestPowerOff();
    EXPECT_FALSE(answer.accepted);
    EXPECT_NE(answer.error.find("system bus"), std::string::npos) << answer.error;
    if (saved.empty())
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    else
        setenv("DBUS_SYSTEM_BUS_ADDRESS", saved.c_str(), 1);
}

class ShutdownAfterRun : public RunFolder {};

TEST_F(ShutdownAfterRun, AFinishedRunAsksLogindAndAStoppedOneDoesNot) {
    ASSERT_TRUE(Logind().ready());
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=4");
    AnalysisSettings s = Settings(s1, {s1, s1});
    s.ExtendedLog = s.StandardLog = false;
    s.ShutdownWhenFinished = true;
    RunContext context;
    context.environment = &Environment();
    context.graph = &graph_;
    context.stopRequested = &stop_;

    const auto before = Logind().PowerOffCalls().size();
    RunOutcome out = RunAnalysis(s, context);
    EXPECT_TRUE(out.shutdownRequested);
    EXPECT_TRUE(out.shutdownAccepted);
    EXPECT_EQ(Logind().PowerOffCalls().size(), before + 1);

    struct StopAtFirstFrame : RunObserver {
        std::atomic<bool>* stop;
        void OnFrame(const FrameReport&) override { stop->store(true); }
    } stopper;
    stopper.stop = &stop_;
    context.observer = &stopper;
    out = RunAnalysis(s, context);
    EXPECT_EQ(out.status, RunStatus::Stopped);
    EXPECT_FALSE(out.shutdownRequested);
    EXPECT_EQ(Logind().PowerOffCalls().size(), before + 1);
}

TEST_F(ShutdownAfterRun, TheCommandLineAsksOnlyWhenNotStopped) {
    ASSERT_TRUE(Logind().ready());
    const std::string s1 = Source("orig.avs", "clip w=16 h=16 frames=3");
    const auto before = Logind().PowerOffCalls().size();
    CliResult r = RunCliProcess({"analyze", s1, s1, "--shutdown", "--quiet"}, dir_);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Logind().PowerOffCalls().size(), before + 1);
    EXPECT_EQ(FilesEndingWith("_results.txt").size(), 1u); // --shutdown keeps the standard logfile on

    const std::string slow = Source("slow.avs", "clip w=16 h=16 frames=500 delay=10");
    CliProcess cli({"analyze", slow, slow, "--shutdown", "--quiet"}, dir_);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cli.Signal(SIGINT);
    r = cli.Wait();
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_EQ(Logind().PowerOffCalls().size(), before + 1);
}

} // namespace
} // namespace bv::testing
