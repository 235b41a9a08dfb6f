// Pixel-art sources and the Windows icon and bitmap files made from them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace artgen {

// A mistake in a source or an image that the chosen format cannot hold.
// line is the 1-based source line, or 0 when no single line is to blame.
class ArtError : public std::runtime_error {
 public:
  ArtError(int line, const std::string& message) : std::runtime_error(message), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

constexpr int kTransparent = -1;

struct Image {
  int width = 0;
  int height = 0;
  // Row-major from the top; a palette index 0..15 or kTransparent.
  std::vector<int> pixels;

  int at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

struct Rgb {
  std::uint8_t r, g, b;
};

// The 16-colour Windows palette, with the names sources use for its entries.
extern const Rgb kPalette[16];
extern const char* const kColourNames[16];

Image ParseSource(const std::string& text);

std::vector<std::uint8_t> EncodeIco(const Image& image);
std::vector<std::uint8_t> EncodeBmp(const Image& image);

// Inked pixels of a text line in the built-in font, relative to its top left
// corner: the font has 7 rows above the baseline and 2 below it.
struct Point {
  int x, y;
};
std::vector<Point> RenderText(const std::string& text, int line);
constexpr int kFontHeight = 9;

}  // namespace artgen
