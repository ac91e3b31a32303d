// Allocation for quelvara-synth. Its large blocks (the joined waveform, the new signal, the WAVE
// bytes) are written from end to end right after they are made, and the kernel providing their
// pages one fault at a time costs about as much as the synthesis itself. So a block of 256 KiB
// and more gets all its pages in one request when it is made. Everything else is allocated as
// usual. (Left out under the address sanitizer, which keeps its own allocator.)
#if !defined(__SANITIZE_ADDRESS__)

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t large_block = 256u << 10;

void* allocate(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
#ifdef MADV_POPULATE_WRITE
  if (size >= large_block) {
    // Whole pages inside the block only. Only a saving: a kernel that refuses (too old, or out
    // of memory for now) leaves the pages to come one fault at a time, as without it.
    const std::uintptr_t page = 4096;
    const auto begin = (reinterpret_cast<std::uintptr_t>(block) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + size) & ~(page - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
  }
#endif
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

#endif
