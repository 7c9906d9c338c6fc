// The fault soak over many seeds: how often each invariant broke, and the seeds that broke one.
//   soak_bench [scenarios=1000] [firstSeed=1]
// Every scenario runs on virtual time; rerun one with QU32_SOAK_SEED=<seed> test_soak.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/CpuClock.h"
#include "soak/SoakScenario.h"

int main(int argc, char* argv[]) {
    const unsigned long scenarios = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000;
    const unsigned long first = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1;
    std::array<int, qu32::soak::kInvariantCount> total{};
    std::array<int, qu32::soak::kInvariantCount> checks{};
    int failedScenarios = 0;
    const double start = cpuSeconds();
    for (unsigned long seed = first; seed < first + scenarios; ++seed) {
        const qu32::soak::Outcome outcome =
            qu32::soak::runSoakScenario(static_cast<std::uint32_t>(seed));
        for (std::size_t k = 0; k < total.size(); ++k) {
            total[k] += outcome.violations[k];
            checks[k] += outcome.checks[k];
        }
        if (!outcome.ok()) {
            ++failedScenarios;
            for (const std::string& note : outcome.notes)
                std::printf("  %s\n", note.c_str());
        }
    }
    std::printf("%lu scenarios (seeds %lu to %lu), %d broke an invariant, %.1f s CPU\n", scenarios,
                first, first + scenarios - 1, failedScenarios, cpuSeconds() - start);
    std::printf("  %-28s %8s %8s\n", "invariant", "broken", "checked");
    for (std::size_t k = 0; k < total.size(); ++k)
        std::printf("  %-28s %8d %8d\n", qu32::soak::kInvariantNames[k], total[k], checks[k]);
    return failedScenarios == 0 ? 0 : 1;
}
