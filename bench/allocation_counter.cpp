// Counts a program's heap allocations, for the benchmark that shows a frame
// allocates nothing. Preloaded (LD_PRELOAD=allocation_counter.so), it hands
// every call on to the C library's own allocator and adds one to a counter in
// the file named by $LUMORA_ALLOCATION_COUNTS, mapped shared, so that the
// benchmark reads the counts while the program runs: four little-endian 64-bit
// numbers, for malloc, calloc, realloc (reallocarray too) and the aligned
// kinds (memalign, posix_memalign, aligned_alloc, valloc, pvalloc). operator
// new reaches malloc, and the C library's own callers (strdup, fopen...) go
// through these as well, so they are counted there. Without the variable, or
// before the library is set up, nothing is counted.
#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void* __libc_valloc(std::size_t size);
void* __libc_pvalloc(std::size_t size);
}

namespace {

enum Kind { kMalloc, kCalloc, kRealloc, kAligned, kKinds };

// The one piece of process-wide state: a preloaded allocator has no caller to
// be handed its counters by. Written once, before main, by Open().
std::uint64_t* counts = nullptr;

void Count(Kind kind) {
    if (counts != nullptr) __atomic_fetch_add(&counts[kind], 1, __ATOMIC_RELAXED);
}

// open, ftruncate and mmap allocate nothing on the heap, so this may run while
// other libraries' constructors already allocate.
__attribute__((constructor)) void Open() {
    const char* path = std::getenv("LUMORA_ALLOCATION_COUNTS");
    if (path == nullptr || *path == '\0') return;
    const int file = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (file < 0) return;
    const std::size_t bytes = kKinds * sizeof(std::uint64_t);
    void* mapped = ftruncate(file, static_cast<off_t>(bytes)) == 0
                       ? mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0)
                       : MAP_FAILED;
    close(file);
    if (mapped != MAP_FAILED) counts = static_cast<std::uint64_t*>(mapped);
}

bool PowerOfTwo(std::size_t n) { return n != 0 && (n & (n - 1)) == 0; }

} // namespace

extern "C" {

void* malloc(std::size_t size) {
    Count(kMalloc);
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
    Count(kCalloc);
    return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) {
    Count(kRealloc);
    return __libc_realloc(block, size);
}

void* reallocarray(void* block, std::size_t count, std::size_t size) {
    std::size_t bytes = 0;
    if (__builtin_mul_overflow(count, size, &bytes)) {
        errno = ENOMEM;
        return nullptr;
    }
    return realloc(block, bytes);
}

void* memalign(std::size_t alignment, std::size_t size) {
    Count(kAligned);
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    Count(kAligned);
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
    if (!PowerOfTwo(alignment) || alignment % sizeof(void*) != 0) return EINVAL;
    Count(kAligned);
    void* block = __libc_memalign(alignment, size);
    if (block == nullptr) return ENOMEM;
    *result = block;
    return 0;
}

void* valloc(std::size_t size) {
    Count(kAligned);
    return __libc_valloc(size);
}

void* pvalloc(std::size_t size) {
    Count(kAligned);
    return __libc_pvalloc(size);
}

} // extern "C"
