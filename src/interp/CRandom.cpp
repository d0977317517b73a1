#include "interp/CRandom.h"

#include <atomic>

namespace {

// One run draws at a time; the atomic keeps a draw from another thread
// (a second program window, a test) well defined, not interleaved exactly.
std::atomic<std::uint32_t> s_state { CRandom::kInitialSeed };

} // namespace

int CRandom::Next()
{
    std::uint32_t state = s_state.load(std::memory_order_relaxed);
    std::uint32_t next;
    do {
        next = state * 214013u + 2531011u;
    } while (!s_state.compare_exchange_weak(state, next, std::memory_order_relaxed));
    return static_cast<int>((next >> 16) & 0x7FFFu);
}

void CRandom::Seed(std::uint32_t seed) { s_state.store(seed, std::memory_order_relaxed); }
