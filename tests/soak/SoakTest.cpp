// Fifty seeded fault scenarios through the whole program on virtual time. A failure names its
// seed; QU32_SOAK_SEED=<n> reruns that scenario alone.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "soak/SoakScenario.h"

namespace qu32::soak {
namespace {

constexpr std::uint32_t kSeeds = 50;

TEST(Soak, FiftySeedsBreakNoInvariant) {
    std::uint32_t first = 1;
    std::uint32_t count = kSeeds;
    if (const char* one = std::getenv("QU32_SOAK_SEED")) {
        first = static_cast<std::uint32_t>(std::strtoul(one, nullptr, 10));
        count = 1;
    }
    for (std::uint32_t seed = first; seed < first + count; ++seed) {
        const Outcome outcome = runSoakScenario(seed);
        for (const std::string& note : outcome.notes)
            ADD_FAILURE() << note;
    }
}

// The same seed plays the same scenario: a failure is reproduced from its number alone.
TEST(Soak, ASeedPlaysTheSameScenarioTwice) {
    const Outcome other = runSoakScenario(8);
    for (std::uint32_t seed : {7u, 1234u}) {
        const Outcome a = runSoakScenario(seed);
        const Outcome b = runSoakScenario(seed);
        EXPECT_EQ(a.violations, b.violations) << seed;
        EXPECT_EQ(a.wireHash, b.wireHash) << seed;
        EXPECT_EQ(a.endMs, b.endMs) << seed;
        EXPECT_NE(a.wireHash, other.wireHash) << "another seed, another scenario";
    }
}

}  // namespace
}  // namespace qu32::soak
