#include "art.h"

#include <map>
#include <sstream>

namespace artgen {

const Rgb kPalette[16] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

const char* const kColourNames[16] = {
    "black", "maroon", "green", "olive",  "navy", "purple",  "teal", "silver",
    "grey",  "red",    "lime",  "yellow", "blue", "fuchsia", "aqua", "white",
};

namespace {

constexpr int kUndrawn = -2;
constexpr int kMaxSourceSide = 1024;

std::string StripTrailing(std::string s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
  return s;
}

class Parser {
 public:
  explicit Parser(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines_.push_back(StripTrailing(line));
  }

  Image run() {
    for (line_ = 1; line_ <= static_cast<int>(lines_.size()); ++line_) {
      std::istringstream words(lines_[line_ - 1]);
      std::string directive;
      if (!(words >> directive) || directive[0] == '#') continue;
      if (directive != "size" && image_.width == 0) fail("the source must begin with 'size W H'");
      if (directive == "size")
        size(words);
      else if (directive == "key")
        key(words);
      else if (directive == "fill")
        fill(words);
      else if (directive == "rect")
        rect(words);
      else if (directive == "text")
        text(words);
      else if (directive == "pixels")
        pixels(words);
      else
        fail("unknown directive '" + directive + "'");
    }
    if (image_.width == 0) throw ArtError(0, "the source is empty: it needs 'size W H'");
    for (int y = 0; y < image_.height; ++y) {
      for (int x = 0; x < image_.width; ++x) {
        if (image_.at(x, y) == kUndrawn) {
          throw ArtError(
              0, "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is never drawn");
        }
      }
    }
    return image_;
  }

 private:
  [[noreturn]] void fail(const std::string& message) const { throw ArtError(line_, message); }

  int number(std::istringstream& words, const char* what) {
    std::string word;
    if (!(words >> word)) fail(std::string("missing ") + what);
    size_t used = 0;
    int value = 0;
    try {
      value = std::stoi(word, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used == 0 || used != word.size()) fail(std::string("bad ") + what + " '" + word + "'");
    return value;
  }

  int colour(std::istringstream& words) {
    std::string name;
    if (!(words >> name)) fail("missing colour name");
    if (name == "transparent") return kTransparent;
    for (int i = 0; i < 16; ++i) {
      if (name == kColourNames[i]) return i;
    }
    fail("unknown colour '" + name + "'");
  }

  void EndOfLine(std::istringstream& words) {
    std::string extra;
    if (words >> extra) fail("unexpected '" + extra + "' at the end of the line");
  }

  void put(int x, int y, int value) {
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) {
      fail("pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is outside the " +
           std::to_string(image_.width) + " x " + std::to_string(image_.height) + " image");
    }
    image_.pixels[static_cast<size_t>(y) * image_.width + x] = value;
  }

  void size(std::istringstream& words) {
    if (image_.width != 0) fail("'size' may be given only once");
    int w = number(words, "width");
    int h = number(words, "height");
    EndOfLine(words);
    if (w < 1 || h < 1 || w > kMaxSourceSide || h > kMaxSourceSide) {
      fail("size " + std::to_string(w) + " x " + std::to_string(h) + " is out of range 1.." +
           std::to_string(kMaxSourceSide));
    }
    image_.width = w;
    image_.height = h;
    image_.pixels.assign(static_cast<size_t>(w) * h, kUndrawn);
  }

  void key(std::istringstream& words) {
    std::string ch;
    if (!(words >> ch) || ch.size() != 1) fail("'key' needs one character and a colour");
    if (keys_.count(ch[0])) fail("key '" + ch + "' is already defined");
    keys_[ch[0]] = colour(words);
    EndOfLine(words);
  }

  void fill(std::istringstream& words) {
    int c = colour(words);
    EndOfLine(words);
    image_.pixels.assign(image_.pixels.size(), c);
  }

  void rect(std::istringstream& words) {
    int x = number(words, "x"), y = number(words, "y");
    int w = number(words, "width"), h = number(words, "height");
    int c = colour(words);
    EndOfLine(words);
    if (w < 1 || h < 1) fail("a rectangle needs a positive width and height");
    for (int j = y; j < y + h; ++j) {
      for (int i = x; i < x + w; ++i) put(i, j, c);
    }
  }

  void text(std::istringstream& words) {
    int x = number(words, "x"), y = number(words, "y");
    int c = colour(words);
    std::string rest;
    std::getline(words, rest);
    size_t open = rest.find('"');
    size_t close = rest.rfind('"');
    if (open == std::string::npos || close == open || rest.find_first_not_of(" \t") != open ||
        close + 1 != rest.size()) {
      fail("'text' needs its string in double quotes at the end of the line");
    }
    for (const Point& p : RenderText(rest.substr(open + 1, close - open - 1), line_)) {
      put(x + p.x, y + p.y, c);
    }
  }

  void pixels(std::istringstream& words) {
    const int start = line_;
    int x = number(words, "x"), y = number(words, "y");
    int scale = 1;
    if (words >> std::ws && !words.eof()) scale = number(words, "scale");
    EndOfLine(words);
    if (scale < 1 || scale > 16) fail("scale " + std::to_string(scale) + " is out of range 1..16");
    size_t width = 0;
    int row = 0;
    for (++line_; line_ <= static_cast<int>(lines_.size()); ++line_, ++row) {
      const std::string& text = lines_[line_ - 1];
      if (text == "end") {
        if (row == 0) fail("the pixel block has no rows");
        return;
      }
      if (row == 0) width = text.size();
      if (text.size() != width) {
        fail("row is " + std::to_string(text.size()) + " pixels wide, the block's first row " +
             std::to_string(width));
      }
      for (size_t i = 0; i < text.size(); ++i) {
        auto k = keys_.find(text[i]);
        if (k == keys_.end()) fail(std::string("unknown character '") + text[i] + "'");
        for (int j = 0; j < scale * scale; ++j) {
          put(x + static_cast<int>(i) * scale + j % scale, y + row * scale + j / scale, k->second);
        }
      }
    }
    line_ = start;
    fail("the pixel block is not closed by 'end'");
  }

  std::vector<std::string> lines_;
  int line_ = 0;
  Image image_;
  std::map<char, int> keys_;
};

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

std::uint32_t ColourRowBytes(int width) {
  return ((static_cast<std::uint32_t>(width) * 4 + 31) / 32) * 4;
}
std::uint32_t MaskRowBytes(int width) {
  return ((static_cast<std::uint32_t>(width) + 31) / 32) * 4;
}

void PutInfoHeader(std::vector<std::uint8_t>& out, int width, int height, std::uint32_t imageBytes,
                   std::uint32_t coloursUsed) {
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits per pixel
  Put32(out, 0);  // BI_RGB
  Put32(out, imageBytes);
  Put32(out, 0);  // horizontal and vertical resolution: unspecified
  Put32(out, 0);
  Put32(out, coloursUsed);
  Put32(out, 0);  // all colours important
}

void PutPalette(std::vector<std::uint8_t>& out) {
  for (const Rgb& c : kPalette) {
    out.push_back(c.b);
    out.push_back(c.g);
    out.push_back(c.r);
    out.push_back(0);
  }
}

// Bottom-up rows of 4-bit indices, the left pixel in the high nibble;
// transparent pixels become index 0, which the mask then hides.
void PutColourRows(std::vector<std::uint8_t>& out, const Image& image) {
  const std::uint32_t rowBytes = ColourRowBytes(image.width);
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(rowBytes, 0);
    for (int x = 0; x < image.width; ++x) {
      int index = image.at(x, y) == kTransparent ? 0 : image.at(x, y);
      row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

void PutMaskRows(std::vector<std::uint8_t>& out, const Image& image) {
  const std::uint32_t rowBytes = MaskRowBytes(image.width);
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(rowBytes, 0);
    for (int x = 0; x < image.width; ++x) {
      if (image.at(x, y) == kTransparent) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

}  // namespace

Image ParseSource(const std::string& text) { return Parser(text).run(); }

std::vector<std::uint8_t> EncodeIco(const Image& image) {
  if (image.width > 256 || image.height > 256) {
    throw ArtError(0, "an icon can be at most 256 x 256 pixels, this one is " +
                          std::to_string(image.width) + " x " + std::to_string(image.height));
  }
  const std::uint32_t colourBytes = ColourRowBytes(image.width) * image.height;
  const std::uint32_t maskBytes = MaskRowBytes(image.width) * image.height;
  const std::uint32_t imageBytes = 40 + 16 * 4 + colourBytes + maskBytes;

  std::vector<std::uint8_t> out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // icon
  Put16(out, 1);  // one image
  // A side of 256 is stored as 0.
  out.push_back(static_cast<std::uint8_t>(image.width & 0xFF));
  out.push_back(static_cast<std::uint8_t>(image.height & 0xFF));
  out.push_back(16);  // colours
  out.push_back(0);   // reserved
  Put16(out, 1);      // planes
  Put16(out, 4);      // bits per pixel
  Put32(out, imageBytes);
  Put32(out, 6 + 16);
  PutInfoHeader(out, image.width, image.height * 2, colourBytes + maskBytes, 0);
  PutPalette(out);
  PutColourRows(out, image);
  PutMaskRows(out, image);
  return out;
}

std::vector<std::uint8_t> EncodeBmp(const Image& image) {
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.at(x, y) == kTransparent) {
        throw ArtError(0, "pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                              ") is transparent, which a bitmap cannot hold");
      }
    }
  }
  const std::uint32_t pixelBytes = ColourRowBytes(image.width) * image.height;
  const std::uint32_t offset = 14 + 40 + 16 * 4;

  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + pixelBytes);
  Put32(out, 0);  // reserved
  Put32(out, offset);
  PutInfoHeader(out, image.width, image.height, pixelBytes, 16);
  PutPalette(out);
  PutColourRows(out, image);
  return out;
}

}  // namespace artgen
