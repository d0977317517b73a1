#include "interp/RunMemory.h"

#include <algorithm>
#include <unistd.h>

namespace {
std::size_t s_limit = DefaultRunMemoryLimit();
std::size_t s_inUse = 0;
} // namespace

std::size_t DefaultRunMemoryLimit()
{
    constexpr std::size_t kOneGiB = std::size_t { 1 } << 30;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return kOneGiB;
    const std::size_t quarter = static_cast<std::size_t>(pages) / 4 * static_cast<std::size_t>(pageSize);
    return std::min(kOneGiB, quarter);
}

void SetRunMemoryLimit(std::size_t bytes) { s_limit = bytes; }

std::size_t RunMemoryLimit() { return s_limit; }

void ChargeRunMemory(std::size_t bytes)
{
    if (s_limit != 0 && (bytes > s_limit || s_inUse > s_limit - bytes))
        throw CRunMemoryExhausted();
    s_inUse += bytes;
}

void ReleaseRunMemory(std::size_t bytes) { s_inUse -= std::min(bytes, s_inUse); }

std::size_t RunMemoryInUse() { return s_inUse; }
