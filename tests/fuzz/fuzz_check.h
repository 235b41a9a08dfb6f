// What every fuzz target here needs: checks that stay on in optimised
// builds, buffers of an exact capacity with guard bytes on both sides, and
// a way to cut one fuzz input into the texts a rule takes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#define FUZZ_CHECK(condition)                                                                \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (0)

namespace fuzz {

// A buffer of exactly `capacity` bytes between two guard zones. A write past
// either end that stays inside the allocation (so AddressSanitizer cannot
// see it) still changes a guard byte.
class GuardedBuffer {
 public:
  static constexpr std::size_t kGuard = 32;
  static constexpr unsigned char kGuardByte = 0xA5;

  explicit GuardedBuffer(std::size_t capacity)
      : capacity_(capacity), storage_(new unsigned char[capacity + 2 * kGuard]) {
    std::memset(storage_, kGuardByte, capacity + 2 * kGuard);
  }
  ~GuardedBuffer() { delete[] storage_; }
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  char* data() { return reinterpret_cast<char*>(storage_ + kGuard); }
  std::size_t capacity() const { return capacity_; }

  // Puts `text` (cut to fit with its terminator) at the start; the rest of
  // the buffer keeps a fill pattern so that stray writes show.
  void Load(const std::string& text) {
    std::memset(data(), 0x5A, capacity_);
    const std::size_t n = text.size() < capacity_ ? text.size() : capacity_ - 1;
    std::memcpy(data(), text.data(), n);
    data()[n] = '\0';
  }
  std::string Bytes() const {
    return std::string(reinterpret_cast<const char*>(storage_ + kGuard), capacity_);
  }
  bool GuardsIntact() const {
    for (std::size_t i = 0; i < kGuard; ++i) {
      if (storage_[i] != kGuardByte || storage_[kGuard + capacity_ + i] != kGuardByte) return false;
    }
    return true;
  }
  // True when a NUL lies inside the capacity.
  bool Terminated() const { return std::memchr(storage_ + kGuard, 0, capacity_) != nullptr; }

 private:
  std::size_t capacity_;
  unsigned char* storage_;
};

// Reads a fuzz input front to back: single bytes for choices, and texts
// that end at the next NUL byte (or at the end of the input).
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
  std::uint8_t Byte() { return p_ < end_ ? *p_++ : 0; }
  std::string Text() {
    const std::uint8_t* start = p_;
    while (p_ < end_ && *p_ != 0) ++p_;
    std::string text(reinterpret_cast<const char*>(start), static_cast<std::size_t>(p_ - start));
    if (p_ < end_) ++p_;
    return text;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
};

// The text with every byte `drop` taken out.
inline std::string Without(std::string text, char drop) {
  std::string kept;
  for (char c : text)
    if (c != drop) kept += c;
  return kept;
}

}  // namespace fuzz
