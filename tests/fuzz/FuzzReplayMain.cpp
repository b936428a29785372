// A stand-in for libFuzzer's driver where the compiler has none: feeds the target a fixed number
// of pseudo-random inputs from a fixed seed, so each run tries the same cases.
//
// fuzz_target [-runs=N] [-seed=S] [-max_len=L]
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

static unsigned long optionValue(int argc, char** argv, const char* name, unsigned long fallback) {
    const std::size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], name, length) == 0)
            return std::strtoul(argv[i] + length, nullptr, 10);
    return fallback;
}

// Inputs made mostly of the bytes that matter to the targets: NUL, ASCII, UTF-8 lead and
// continuation bytes, the query's own characters.
static std::uint8_t interestingByte(std::mt19937& random) {
    static const std::uint8_t bytes[] = {0x00, 0x20, 0x25, 0x26, 0x2F, 0x3D, 0x3F, 0x41, 0x7F, 0x80,
                                         0xBF, 0xC3, 0xE2, 0xF0, 0xFF, 0x0D, 0x0A, 0x2B, 0x7E};
    if (random() % 2 == 0)
        return static_cast<std::uint8_t>(random());
    return bytes[random() % sizeof bytes];
}

int main(int argc, char** argv) {
    const unsigned long runs = optionValue(argc, argv, "-runs=", 20000);
    const unsigned long seed = optionValue(argc, argv, "-seed=", 1);
    const unsigned long maxLength = optionValue(argc, argv, "-max_len=", 1200);
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
    std::vector<std::uint8_t> input;
    for (unsigned long run = 0; run < runs; ++run) {
        input.resize(random() % (maxLength + 1));
        for (std::uint8_t& byte : input)
            byte = interestingByte(random);
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("Done %lu runs (seed %lu)\n", runs, seed);
    return 0;
}
