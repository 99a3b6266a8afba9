#pragma once

#include <cstddef>

// Counts heap allocations made by the current thread while a ScopedAllocationCount is alive.
class ScopedAllocationCount
{
public:
    ScopedAllocationCount();
    ~ScopedAllocationCount();

    std::size_t allocations() const;
};
