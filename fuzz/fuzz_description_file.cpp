// Description files (.cof/.cng) of any content: a file is taken whole or not at all.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "Fingerprint.h"
#include "FuzzInput.h"
#include "datasets/DescriptionFile.h"

namespace {

struct State {
    qu32::UnitDescription description;
    qu32::UnitIdentity identity;
    qu32::GroupRegisters group;

    std::string fingerprint() const {
        return qu32::fuzz::fingerprint(description) + qu32::fuzz::fingerprint(identity) +
               qu32::fuzz::fingerprint(group);
    }
    int load(const std::string& bytes) {
        std::istringstream in(bytes);
        return qu32::loadDescriptionFile(in, {description, identity, group});
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    static State state;
    state = State{};
    qu32::fuzz::fillSample(state.description, state.identity, state.group);
    const std::string before = state.fingerprint();

    const int error = state.load(bytes);
    if (error != qu32::kDescriptionFileOk) {
        QU32_FUZZ_CHECK(state.fingerprint() == before, "a refused file changed the description");
        return 0;
    }
    const qu32::UnitDescription& d = state.description;
    QU32_FUZZ_CHECK(d.parameterCount >= 1 && d.parameterCount <= qu32::kMaxParameters,
                    "parameter table beyond its bound");
    QU32_FUZZ_CHECK(d.inputCount >= 0 && d.inputCount <= qu32::kMaxInputs,
                    "input table beyond its bound");
    QU32_FUZZ_CHECK(d.outputCount >= 0 && d.outputCount <= qu32::kMaxOutputTexts,
                    "output table beyond its bound");
    for (int i = d.parameterCount; i < qu32::kMaxParameters; ++i) {
        QU32_FUZZ_CHECK(d.parameters[static_cast<std::size_t>(i)].code.empty(),
                        "an entry of the earlier description survives past the count");
    }

    // The same file again gives the same result: nothing of the first load leaks into it.
    const std::string first = state.fingerprint();
    QU32_FUZZ_CHECK(state.load(bytes) == qu32::kDescriptionFileOk, "second load refused");
    QU32_FUZZ_CHECK(state.fingerprint() == first, "loading the same file twice differs");
    return 0;
}
