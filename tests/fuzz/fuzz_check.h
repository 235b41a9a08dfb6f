// What every fuzz target here needs: checks that stay on in optimised
// builds, buffers of an exact capacity with guard zones on both sides, and
// a way to cut one fuzz input into the texts a rule takes.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition)                                                                \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (0)

namespace fuzz {

// A buffer of exactly `capacity` units (bytes, or UTF-16 code units) between
// two guard zones. A write past either end that stays inside the allocation
// (so AddressSanitizer cannot see it) still changes a guard unit.
template <typename Unit>
class Guarded {
 public:
  using Text = std::basic_string<Unit>;
  static constexpr std::size_t kGuard = 32;
  static constexpr Unit kGuardUnit = static_cast<Unit>(0xA5);
  static constexpr Unit kFill = static_cast<Unit>(0x5A);

  explicit Guarded(std::size_t capacity)
      : capacity_(capacity), storage_(new Unit[capacity + 2 * kGuard]) {
    std::fill(storage_, storage_ + capacity + 2 * kGuard, kGuardUnit);
  }
  ~Guarded() { delete[] storage_; }
  Guarded(const Guarded&) = delete;
  Guarded& operator=(const Guarded&) = delete;

  Unit* data() { return storage_ + kGuard; }
  std::size_t capacity() const { return capacity_; }

  // Puts `text` (cut to fit with its terminator) at the start; the rest of
  // the buffer keeps a fill pattern so that stray writes show.
  void Load(const Text& text) {
    std::fill(data(), data() + capacity_, kFill);
    const std::size_t n = std::min(text.size(), capacity_ - 1);
    std::copy(text.data(), text.data() + n, data());
    data()[n] = 0;
  }
  // The whole buffer, terminators and fill included.
  Text Contents() const { return Text(storage_ + kGuard, capacity_); }
  // The text up to its terminator.
  Text String() const {
    const Text all = Contents();
    return all.substr(0, all.find(Unit(0)));
  }
  bool GuardsIntact() const {
    for (std::size_t i = 0; i < kGuard; ++i) {
      if (storage_[i] != kGuardUnit || storage_[kGuard + capacity_ + i] != kGuardUnit) return false;
    }
    return true;
  }
  // True when a NUL lies inside the capacity.
  bool Terminated() const { return Contents().find(Unit(0)) != Text::npos; }

 private:
  std::size_t capacity_;
  Unit* storage_;
};

using GuardedBuffer = Guarded<char>;
using GuardedText = Guarded<char16_t>;

// Reads a fuzz input front to back: single bytes for choices, and texts
// that end at the next NUL (or at the end of the input): byte texts, or
// UTF-16 texts of little-endian unit pairs, so that any unit, lone
// surrogates included, can come up.
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
  std::u16string Units() {
    std::u16string text;
    while (p_ < end_) {
      const char16_t unit = static_cast<char16_t>(p_[0] | (p_ + 1 < end_ ? p_[1] << 8 : 0));
      p_ = std::min(p_ + 2, end_);
      if (unit == 0) break;
      text += unit;
    }
    return text;
  }
  // What is left of the input, as bytes.
  std::string Rest() const {
    return std::string(reinterpret_cast<const char*>(p_), static_cast<std::size_t>(end_ - p_));
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
};

// The text with every unit `drop` taken out.
template <typename Text>
Text Without(const Text& text, typename Text::value_type drop) {
  Text kept;
  for (auto c : text)
    if (c != drop) kept += c;
  return kept;
}

}  // namespace fuzz
