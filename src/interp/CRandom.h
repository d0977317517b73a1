#pragma once
// The program-wide random number generator behind rand, srand and
// gaussianrand. Its state belongs to the program, not to a run: a second run
// continues the sequence of the first unless the chart calls srand.

#include <cstdint>

class CRandom {
public:
    static constexpr int kMax = 32767;
    static constexpr std::uint32_t kInitialSeed = 1;

    // The next integer from 0 to kMax.
    static int Next();
    static void Seed(std::uint32_t seed);
};
