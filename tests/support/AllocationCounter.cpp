#include "support/AllocationCounter.h"

#include <cstdlib>

// Interposes the C allocator, which operator new and the framework's heap blocks both end in, and
// forwards to glibc's own entry points.
extern "C"
{
    void* __libc_malloc (std::size_t);
    void* __libc_calloc (std::size_t, std::size_t);
    void* __libc_realloc (void*, std::size_t);
    void* __libc_memalign (std::size_t, std::size_t);
    void __libc_free (void*);
}

namespace
{
thread_local bool counting = false;
thread_local std::size_t count = 0;

void note()
{
    if (counting)
        ++count;
}
} // namespace

extern "C"
{
    void* malloc (std::size_t size)
    {
        note();
        return __libc_malloc (size);
    }

    void* calloc (std::size_t n, std::size_t size)
    {
        note();
        return __libc_calloc (n, size);
    }

    void* realloc (void* p, std::size_t size)
    {
        note();
        return __libc_realloc (p, size);
    }

    void* memalign (std::size_t alignment, std::size_t size)
    {
        note();
        return __libc_memalign (alignment, size);
    }

    void* aligned_alloc (std::size_t alignment, std::size_t size)
    {
        note();
        return __libc_memalign (alignment, size);
    }

    int posix_memalign (void** out, std::size_t alignment, std::size_t size)
    {
        note();
        *out = __libc_memalign (alignment, size);
        return *out != nullptr ? 0 : 12; // ENOMEM
    }

    void free (void* p) { __libc_free (p); }
}

ScopedAllocationCount::ScopedAllocationCount()
{
    count = 0;
    counting = true;
}

ScopedAllocationCount::~ScopedAllocationCount() { counting = false; }

std::size_t ScopedAllocationCount::allocations() const { return count; }
