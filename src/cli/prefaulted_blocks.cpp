// Allocation for quelvara-synth, and for the window program, where the blocks mapped on their
// own also go back to the system as soon as they are freed. Large blocks (the joined waveform, the WAVE bytes) are
// written from end to end right after they are made, and the kernel providing their pages one
// fault at a time costs about as much as the synthesis itself. So a block of 256 KiB and more
// gets all its pages in one request when it is made, and a block of 1 MiB and more is mapped
// on its own in whole 2 MiB pages where the kernel offers them on request: zeroing one such
// page costs a fraction of providing its 512 small pages. Everything else is allocated as
// usual. (Left out under the address sanitizer, which keeps its own allocator.)
#if !defined(__SANITIZE_ADDRESS__)

#include <sys/mman.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

namespace {

constexpr std::size_t large_block = 256u << 10;
constexpr std::size_t huge_block = 1u << 20;
constexpr std::uintptr_t small_page = 4096;
constexpr std::uintptr_t huge_page = 2u << 20;

// The blocks mapped on their own, to be unmapped rather than freed. The program makes a few
// of them at a time; when the table is full, blocks come from malloc. Any thread may allocate,
// so the table is taken under its lock (only for blocks of 1 MiB and more).
struct Mapping {
  void* start = nullptr;
  std::size_t length = 0;
};
std::array<Mapping, 32> mappings;
std::mutex mappings_lock;

std::uintptr_t round_up(std::uintptr_t value, std::uintptr_t step) { return (value + step - 1) & ~(step - 1); }

// A mapping of whole huge pages for size bytes, its pages provided; nullptr when it cannot be
// had, and the caller falls back to malloc.
void* map_huge(std::size_t size) {
  const std::lock_guard lock(mappings_lock);
  Mapping* slot = nullptr;
  for (auto& m : mappings) {
    if (m.start == nullptr) {
      slot = &m;
      break;
    }
  }
  if (slot == nullptr) return nullptr;
  const std::size_t length = round_up(size, huge_page);
  // Mapped with room to align the start to a huge page; the ends outside are given back.
  void* raw = ::mmap(nullptr, length + huge_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto first = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t start = round_up(first, huge_page);
  if (start > first) ::munmap(raw, start - first);
  if (const std::uintptr_t end = first + length + huge_page; end > start + length) {
    ::munmap(reinterpret_cast<void*>(start + length), end - start - length);
  }
  auto* block = reinterpret_cast<void*>(start);
#ifdef MADV_HUGEPAGE
  ::madvise(block, length, MADV_HUGEPAGE);  // only a request: small pages otherwise
#endif
#ifdef MADV_POPULATE_WRITE
  ::madvise(block, length, MADV_POPULATE_WRITE);
#endif
  *slot = {block, length};
  return block;
}

bool unmapped(void* block) {
  // Ours start on a huge page, which what malloc gives seldom does: most blocks need no look.
  if (block == nullptr || reinterpret_cast<std::uintptr_t>(block) % huge_page != 0) return false;
  const std::lock_guard lock(mappings_lock);
  for (auto& m : mappings) {
    if (m.start == block) {
      ::munmap(m.start, m.length);
      m = {};
      return true;
    }
  }
  return false;
}

void* allocate(std::size_t size) {
  if (size >= huge_block) {
    if (void* block = map_huge(size)) return block;
  }
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
#ifdef MADV_POPULATE_WRITE
  if (size >= large_block) {
    // Whole pages inside the block only. Only a saving: a kernel that refuses (too old, or out
    // of memory for now) leaves the pages to come one fault at a time, as without it.
    const auto begin = round_up(reinterpret_cast<std::uintptr_t>(block), small_page);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + size) & ~(small_page - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
  }
#endif
  return block;
}

void release(void* block) noexcept {
  if (!unmapped(block)) std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }

#endif
