// dabrix-gauge-sim: a measuring gauge on a pseudo-terminal or in the emulated infrared
// air, for the demo and for tests.
#include "tools/gauge_sim/GaugeSimulator.h"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <unistd.h>

namespace {

int g_stopFd = -1;

extern "C" void OnSignal(int)
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_stopFd, &one, sizeof one);
}

} // namespace

int main(int argc, char** argv)
{
    using namespace dabrix::tools;

    const SimOptionsResult parsed = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.help) {
        std::fputs(SimUsage().c_str(), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "dabrix-gauge-sim: %s\n(--help lists the options)\n", parsed.error.c_str());
        return 2;
    }

    GaugeSimulator sim(*parsed.options);

    // A signal only wakes the simulator; it then ends normally and removes its COM port.
    g_stopFd = sim.StopFd();
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &action, nullptr);
    // A reader of our output that went away must not kill us before the clean-up.
    std::signal(SIGPIPE, SIG_IGN);

    const int com = sim.Open();
    if (com == 0) {
        std::fprintf(stderr, "dabrix-gauge-sim: %s\n", sim.ErrorText().c_str());
        return 1;
    }
    std::printf("%s\n", sim.LinkName().c_str());
    std::fflush(stdout);

    sim.Run();
    sim.Close();
    return sim.AcksAllOk() ? 0 : 3;
}
