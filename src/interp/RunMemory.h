#pragma once
// The memory budget of a run. What a chart stores (its variables and array
// elements) is charged here as it is allocated; past the limit the charge
// throws CRunMemoryExhausted, which the run driver reports as the end of the
// run instead of letting the machine run out. Runs happen one at a time, so
// the budget is plain state.

#include <cstddef>
#include <new>

class CRunMemoryExhausted : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "the run's memory limit was reached"; }
};

// 0 means no limit. The default is DefaultRunMemoryLimit().
void SetRunMemoryLimit(std::size_t bytes);
std::size_t RunMemoryLimit();
// 1 GiB, or a quarter of the machine's memory when that is less.
std::size_t DefaultRunMemoryLimit();

// Throws CRunMemoryExhausted (and charges nothing) when the charge would pass
// the limit.
void ChargeRunMemory(std::size_t bytes);
void ReleaseRunMemory(std::size_t bytes);
std::size_t RunMemoryInUse();
