#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "art.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

// ---- A reader of our own for what artgen writes, so that the checks do not
// trust the writer's idea of the layout.

struct Colour {
  int r, g, b;
  bool operator==(const Colour& o) const { return r == o.r && g == o.g && b == o.b; }
};

struct Decoded {
  int width = 0, height = 0;
  std::vector<Colour> palette;
  std::vector<int> index;         // top-down, row-major
  std::vector<bool> transparent;  // from the AND mask; all false for bitmaps

  int at(int x, int y) const { return index[static_cast<size_t>(y) * width + x]; }
  bool clear(int x, int y) const { return transparent[static_cast<size_t>(y) * width + x]; }
  Colour colour(int x, int y) const { return palette.at(static_cast<size_t>(at(x, y))); }
};

class Reader {
 public:
  explicit Reader(const Bytes& b) : b_(b) {}
  unsigned U8(size_t at) const {
    if (at >= b_.size()) throw std::runtime_error("read past the end at " + std::to_string(at));
    return b_[at];
  }
  unsigned U16(size_t at) const { return U8(at) | U8(at + 1) << 8; }
  std::uint32_t U32(size_t at) const {
    return U16(at) | static_cast<std::uint32_t>(U16(at + 2)) << 16;
  }
  std::int32_t S32(size_t at) const { return static_cast<std::int32_t>(U32(at)); }
  size_t size() const { return b_.size(); }

 private:
  const Bytes& b_;
};

void Expect(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what);
}

// Reads BITMAPINFOHEADER, palette and 4-bit rows at `at`; `rows` is the image
// height (for icons half of biHeight). Returns the offset after the colour rows.
size_t ReadDib(const Reader& r, size_t at, int rows, std::uint32_t coloursUsed, Decoded& d) {
  Expect(r.U32(at) == 40, "header size is not 40");
  d.width = r.S32(at + 4);
  d.height = rows;
  Expect(r.U16(at + 12) == 1, "planes is not 1");
  Expect(r.U16(at + 14) == 4, "bit count is not 4");
  Expect(r.U32(at + 16) == 0, "compression is not BI_RGB");
  Expect(r.U32(at + 32) == coloursUsed, "unexpected biClrUsed");
  size_t p = at + 40;
  for (int i = 0; i < 16; ++i, p += 4) {
    d.palette.push_back(
        {static_cast<int>(r.U8(p + 2)), static_cast<int>(r.U8(p + 1)), static_cast<int>(r.U8(p))});
    Expect(r.U8(p + 3) == 0, "palette reserved byte is not 0");
  }
  const size_t stride = (static_cast<size_t>(d.width) * 4 + 31) / 32 * 4;
  d.index.assign(static_cast<size_t>(d.width) * rows, 0);
  for (int row = 0; row < rows; ++row) {
    const int y = rows - 1 - row;
    for (int x = 0; x < d.width; ++x) {
      unsigned byte = r.U8(p + row * stride + x / 2);
      d.index[static_cast<size_t>(y) * d.width + x] = x % 2 ? byte & 15 : byte >> 4;
    }
  }
  return p + stride * rows;
}

Decoded DecodeIco(const Bytes& bytes) {
  Reader r(bytes);
  Decoded d;
  Expect(r.U16(0) == 0 && r.U16(2) == 1 && r.U16(4) == 1, "not a one-image icon directory");
  const int w = r.U8(6) ? static_cast<int>(r.U8(6)) : 256;
  const int h = r.U8(7) ? static_cast<int>(r.U8(7)) : 256;
  Expect(r.U8(8) == 16 && r.U8(9) == 0, "entry colour count / reserved");
  Expect(r.U16(10) == 1 && r.U16(12) == 4, "entry planes / bit count");
  const std::uint32_t length = r.U32(14), offset = r.U32(18);
  Expect(offset == 22, "image offset is not 22");
  Expect(offset + length == bytes.size(), "entry size does not reach the end of the file");
  Expect(r.S32(offset + 8) == 2 * h, "biHeight is not twice the height");
  size_t mask = ReadDib(r, offset, h, 0, d);
  Expect(d.width == w, "entry width differs from the header's");
  const size_t stride = (static_cast<size_t>(w) + 31) / 32 * 4;
  Expect(mask + stride * h == bytes.size(), "AND mask does not end the file");
  d.transparent.assign(static_cast<size_t>(w) * h, false);
  for (int row = 0; row < h; ++row) {
    for (int x = 0; x < w; ++x) {
      bool bit = r.U8(mask + row * stride + x / 8) & (0x80 >> (x % 8));
      d.transparent[static_cast<size_t>(h - 1 - row) * w + x] = bit;
    }
  }
  return d;
}

Decoded DecodeBmp(const Bytes& bytes) {
  Reader r(bytes);
  Decoded d;
  Expect(r.U8(0) == 'B' && r.U8(1) == 'M', "no BM signature");
  Expect(r.U32(2) == bytes.size(), "bfSize is not the file size");
  Expect(r.U32(6) == 0, "reserved words are not 0");
  Expect(r.U32(10) == 14 + 40 + 64, "pixels do not follow the palette");
  const int h = r.S32(14 + 8);
  Expect(h > 0, "bitmap is not bottom-up");
  size_t end = ReadDib(r, 14, h, 16, d);
  Expect(end == bytes.size(), "pixel rows do not end the file");
  Expect(r.U32(14 + 20) == end - 118, "biSizeImage is not the pixel data size");
  d.transparent.assign(d.index.size(), false);
  return d;
}

const std::array<Colour, 16> kWindowsPalette = {{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};
const Colour kBlack{0, 0, 0}, kRed{255, 0, 0}, kBlue{0, 0, 255}, kGrey{192, 192, 192};

// ---- Running the real tool.

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path OutDir() {
  fs::path dir = fs::path(ARTGEN_TEST_OUT);
  fs::create_directories(dir);
  return dir;
}

int RunArtgen(const fs::path& source, const fs::path& output, const fs::path& errors) {
  std::string command = std::string("\"") + ARTGEN_EXE + "\" \"" + source.string() + "\" \"" +
                        output.string() + "\" 2>\"" + errors.string() + "\"";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

artgen::Image Parse(const std::string& text) { return artgen::ParseSource(text); }

// ---- The writers, byte by byte, on images small enough to work out by hand.

TEST(Encoding, BitmapLayoutIsBottomUpHighNibbleFirstPaddedToFourBytes) {
  Bytes out =
      artgen::EncodeBmp(Parse("size 3 2\nkey r red\nkey b blue\nkey w white\n"
                              "pixels 0 0\nrbw\nwbr\nend\n"));
  ASSERT_EQ(out.size(), 126u);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 14),
            (Bytes{'B', 'M', 126, 0, 0, 0, 0, 0, 0, 0, 118, 0, 0, 0}));
  EXPECT_EQ(Bytes(out.begin() + 14, out.begin() + 54),
            (Bytes{40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1,  0, 4, 0, 0, 0, 0, 0,
                   8,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Bytes(out.begin() + 54 + 12 * 4, out.begin() + 54 + 13 * 4), (Bytes{255, 0, 0, 0}));
  EXPECT_EQ(Bytes(out.begin() + 118, out.end()), (Bytes{0xFC, 0x90, 0, 0, 0x9C, 0xF0, 0, 0}));
}

TEST(Encoding, IconHoldsColourRowsThenMaskWithTransparentAsZeroAndOne) {
  Bytes out =
      artgen::EncodeIco(Parse("size 9 2\nkey . transparent\nkey y yellow\n"
                              "pixels 0 0\n.y......y\nyyyyyyyy.\nend\n"));
  ASSERT_EQ(out.size(), 150u);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 22),
            (Bytes{0, 0, 1, 0, 1, 0, 9, 2, 16, 0, 1, 0, 4, 0, 128, 0, 0, 0, 22, 0, 0, 0}));
  EXPECT_EQ(Bytes(out.begin() + 22, out.begin() + 62),
            (Bytes{40, 0, 0, 0, 9, 0, 0, 0, 4, 0, 0, 0, 1, 0, 4, 0, 0, 0, 0, 0,
                   24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Bytes(out.begin() + 126, out.begin() + 142),
            (Bytes{0xBB, 0xBB, 0xBB, 0xBB, 0, 0, 0, 0, 0x0B, 0, 0, 0, 0xB0, 0, 0, 0}));
  EXPECT_EQ(Bytes(out.begin() + 142, out.end()), (Bytes{0x00, 0x80, 0, 0, 0xBF, 0, 0, 0}));
}

TEST(Encoding, RefusesWhatTheFormatCannotHold) {
  EXPECT_THROW(artgen::EncodeIco(Parse("size 257 1\nfill red\n")), artgen::ArtError);
  EXPECT_NO_THROW(artgen::EncodeIco(Parse("size 256 256\nfill red\n")));
  EXPECT_THROW(artgen::EncodeBmp(Parse("size 2 1\nfill red\nrect 1 0 1 1 transparent\n")),
               artgen::ArtError);
}

// ---- The drawing directives.

TEST(Source, DirectivesDrawInOrderAndLaterOnesWin) {
  artgen::Image img = Parse(
      "# a comment\nsize 4 3\nfill white\nrect 1 1 3 2 navy\n"
      "key r red\nkey - transparent\npixels 2 0\nr-\nend\n");
  EXPECT_EQ(img.at(0, 0), 15);
  EXPECT_EQ(img.at(2, 0), 9);
  EXPECT_EQ(img.at(3, 0), artgen::kTransparent);
  EXPECT_EQ(img.at(0, 1), 15);
  EXPECT_EQ(img.at(1, 1), 4);
  EXPECT_EQ(img.at(3, 2), 4);

  artgen::Image big =
      Parse("size 5 4\nfill white\nkey r red\nkey b blue\npixels 1 0 2\nrb\nbr\nend\n");
  EXPECT_EQ(big.at(0, 0), 15);
  EXPECT_EQ(big.at(1, 0), 9);
  EXPECT_EQ(big.at(2, 1), 9);
  EXPECT_EQ(big.at(3, 0), 12);
  EXPECT_EQ(big.at(4, 1), 12);
  EXPECT_EQ(big.at(1, 3), 12);
  EXPECT_EQ(big.at(4, 3), 9);
}

TEST(Source, TextIsSetInTheBuiltInFontWithOneColumnBetweenGlyphs) {
  // 'l' is two columns wide with its foot turned right; '.' sits on the baseline.
  artgen::Image img = Parse("size 8 9\nfill white\ntext 1 0 black \"l.\"\n");
  EXPECT_EQ(img.at(1, 0), 0);
  EXPECT_EQ(img.at(2, 0), 15);
  EXPECT_EQ(img.at(2, 6), 0);
  EXPECT_EQ(img.at(3, 6), 15);
  EXPECT_EQ(img.at(4, 6), 0);
  EXPECT_EQ(img.at(4, 5), 15);

  // Descenders reach the two rows below the baseline.
  artgen::Image p = Parse("size 5 9\nfill white\ntext 0 0 black \"p\"\n");
  EXPECT_EQ(p.at(0, 8), 0);
  EXPECT_EQ(p.at(4, 8), 15);

  std::string all = " .:/-_";
  for (char c = '0'; c <= '9'; ++c) all += c;
  for (char c = 'A'; c <= 'Z'; ++c) all += c;
  for (char c = 'a'; c <= 'z'; ++c) all += c;
  for (char c : all) {
    for (const artgen::Point& pt : artgen::RenderText(std::string(1, c), 1)) {
      EXPECT_TRUE(pt.x >= 0 && pt.x < 5 && pt.y >= 0 && pt.y < artgen::kFontHeight) << c;
    }
  }
  EXPECT_THROW(artgen::RenderText("a@b", 1), artgen::ArtError);
}

TEST(Source, MalformedSourcesAreRefusedWithTheLineToBlame) {
  struct Case {
    const char* text;
    int line;
    const char* says;
  } cases[] = {
      {"size 3 2\nkey a red\npixels 0 0\naaa\naa\nend\n", 5, "2 pixels wide"},
      {"size 3 2\nkey a red\npixels 0 0\naXa\naaa\nend\n", 4, "unknown character 'X'"},
      {"size 0 4\n", 1, "out of range"},
      {"size 4 2000\n", 1, "out of range"},
      {"size 4 x\n", 1, "bad height"},
      {"size 2 2\nsize 2 2\n", 2, "only once"},
      {"key a red\nsize 2 2\n", 1, "must begin with"},
      {"", 0, "empty"},
      {"size 2 2\nkey a red\npixels 1 0\naa\naa\nend\n", 4, "outside"},
      {"size 2 2\nkey a red\npixels 0 0\naa\nend\n", 0, "pixel (0, 1) is never drawn"},
      {"size 1 1\nkey a red\npixels 0 0\na\n", 3, "not closed"},
      {"size 1 1\nfill pink\n", 2, "unknown colour 'pink'"},
      {"size 1 1\nkey a red\nkey a blue\n", 3, "already defined"},
      {"size 1 1\nblur 3\n", 2, "unknown directive"},
      {"size 9 9\nfill red\ntext 0 0 blue hello\n", 3, "double quotes"},
      {"size 9 9\nfill red\ntext 0 0 blue \"a~\"\n", 3, "no glyph"},
      {"size 9 9\nfill red\ntext 5 0 blue \"ab\"\n", 3, "outside"},
      {"size 2 2\nfill red\nrect 0 0 2 2 blue extra\n", 3, "unexpected 'extra'"},
      {"size 4 4\nkey a red\npixels 0 0 0\na\nend\n", 3, "scale 0 is out of range"},
      {"size 4 4\nkey a red\npixels 1 0 2\naa\nend\n", 4, "outside"},
  };
  for (const Case& c : cases) {
    try {
      Parse(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const artgen::ArtError& e) {
      EXPECT_EQ(e.line(), c.line) << c.text;
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
}

// ---- The command line.

TEST(CommandLine, RefusesMalformedSourcesWithoutWritingAnything) {
  const fs::path dir = OutDir() / "refused";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path source = dir / "bad.txt";
  std::ofstream(source) << "size 2 2\nkey a red\npixels 0 0\naa\na\nend\n";

  EXPECT_NE(RunArtgen(source, dir / "bad.ico", dir / "err1"), 0);
  EXPECT_NE(ReadText(dir / "err1").find("bad.txt:5:"), std::string::npos) << ReadText(dir / "err1");

  // A previous good output stays as it was.
  std::ofstream(dir / "old.bmp") << "previous";
  EXPECT_NE(RunArtgen(source, dir / "old.bmp", dir / "err2"), 0);
  EXPECT_EQ(ReadText(dir / "old.bmp"), "previous");

  // Transparency is only found out when writing a bitmap; still nothing is written.
  const fs::path clear = dir / "clear.txt";
  std::ofstream(clear) << "size 1 1\nfill transparent\n";
  EXPECT_NE(RunArtgen(clear, dir / "clear.bmp", dir / "err3"), 0);
  EXPECT_NE(RunArtgen(clear, dir / "clear.png", dir / "err4"), 0);
  EXPECT_NE(RunArtgen(dir / "missing.txt", dir / "missing.ico", dir / "err5"), 0);

  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"bad.txt", "clear.txt", "err1", "err2", "err3", "err4",
                                            "err5", "old.bmp"}));

  EXPECT_EQ(RunArtgen(clear, dir / "clear.ico", dir / "err6"), 0);
  EXPECT_TRUE(DecodeIco(ReadBytes(dir / "clear.ico")).clear(0, 0));
}

// ---- The artwork in the repository, drawn by the real tool.

struct Art {
  const char* dir;
  const char* name;
  const char* extension;
  int width, height;
};

const Art kArt[] = {
    {ARTGEN_PLAYER_ART, "icon115", ".ico", 32, 32},
    {ARTGEN_PLAYER_ART, "icon116", ".ico", 16, 16},
    {ARTGEN_PLAYER_ART, "icon121", ".ico", 16, 16},
    {ARTGEN_PLAYER_ART, "bitmap135", ".bmp", 186, 13},
    {ARTGEN_INSTALLER_ART, "bitmap125", ".bmp", 135, 35},
    {ARTGEN_INSTALLER_ART, "icon102", ".ico", 32, 32},
};

Decoded DrawOrThrow(const char* name) {
  for (const Art& a : kArt) {
    if (std::string(a.name) != name) continue;
    const fs::path source = fs::path(a.dir) / (std::string(a.name) + ".txt");
    const fs::path output = OutDir() / (std::string(a.name) + a.extension);
    const fs::path errors = OutDir() / (std::string(a.name) + ".err");
    fs::remove(output);
    if (RunArtgen(source, output, errors) != 0) {
      throw std::runtime_error("artgen failed: " + ReadText(errors));
    }
    Bytes bytes = ReadBytes(output);
    return std::string(a.extension) == ".ico" ? DecodeIco(bytes) : DecodeBmp(bytes);
  }
  throw std::logic_error(std::string("no such artwork ") + name);
}

bool Draw(const char* name, Decoded& d) {
  try {
    d = DrawOrThrow(name);
    return true;
  } catch (const std::exception& e) {
    ADD_FAILURE() << name << ": " << e.what();
    return false;
  }
}

TEST(Artwork, EveryFileHasItsSizeTheWindowsPaletteAndTheSourcesPixels) {
  for (const Art& a : kArt) {
    SCOPED_TRACE(a.name);
    Decoded d;
    ASSERT_TRUE(Draw(a.name, d));
    EXPECT_EQ(d.width, a.width);
    EXPECT_EQ(d.height, a.height);
    EXPECT_TRUE(std::equal(d.palette.begin(), d.palette.end(), kWindowsPalette.begin()));

    artgen::Image src = Parse(ReadText(fs::path(a.dir) / (std::string(a.name) + ".txt")));
    int mismatches = 0;
    for (int y = 0; y < a.height; ++y) {
      for (int x = 0; x < a.width; ++x) {
        bool clear = src.at(x, y) == artgen::kTransparent;
        if (d.clear(x, y) != clear || d.at(x, y) != (clear ? 0 : src.at(x, y))) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

int CountColour(const Decoded& d, const Colour& c) {
  int n = 0;
  for (int y = 0; y < d.height; ++y) {
    for (int x = 0; x < d.width; ++x) n += !d.clear(x, y) && d.colour(x, y) == c;
  }
  return n;
}

TEST(Artwork, HomePageLinkIsBlueOnGreyAndUnderlined) {
  Decoded d;
  ASSERT_TRUE(Draw("bitmap135", d));
  int blueAbove = 0;
  std::vector<bool> inkedColumn(d.width, false);
  for (int y = 0; y < d.height; ++y) {
    for (int x = 0; x < d.width; ++x) {
      Colour c = d.colour(x, y);
      ASSERT_TRUE(c == kGrey || c == kBlue) << "at " << x << ", " << y;
      if (y == d.height - 1) {
        EXPECT_TRUE(c == kBlue) << "underline gap at " << x;
      } else if (c == kBlue) {
        ++blueAbove;
        inkedColumn[x] = true;
      }
    }
  }
  // Rows 0 and height-2 stay grey so the text neither touches the top nor the line.
  for (int x = 0; x < d.width; ++x) EXPECT_TRUE(d.colour(x, d.height - 2) == kGrey) << x;
  EXPECT_GT(std::count(inkedColumn.begin(), inkedColumn.end(), true), 100);
  EXPECT_GT(blueAbove, 300);
}

TEST(Artwork, TrayNoteIsBlackOnClearAndMovesBetweenItsTwoPoses) {
  Decoded a, b;
  ASSERT_TRUE(Draw("icon116", a));
  ASSERT_TRUE(Draw("icon121", b));
  int noteA = 0, noteB = 0, differing = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      for (const Decoded* d : {&a, &b}) {
        if (d->clear(x, y)) {
          EXPECT_EQ(d->at(x, y), 0) << "clear pixels must hold index 0";
        } else {
          EXPECT_TRUE(d->colour(x, y) == kBlack) << x << ", " << y;
        }
      }
      noteA += !a.clear(x, y);
      noteB += !b.clear(x, y);
      differing += a.clear(x, y) != b.clear(x, y);
    }
  }
  for (const Decoded* d : {&a, &b}) {
    EXPECT_TRUE(d->clear(0, 0) && d->clear(15, 0) && d->clear(0, 15) && d->clear(15, 15));
  }
  EXPECT_GT(noteA, 30);
  EXPECT_GT(differing, 8);
  EXPECT_LE(std::abs(noteA - noteB) * 5, noteA) << noteA << " vs " << noteB;
}

TEST(Artwork, ProductIconLettersInRedAndBlueBesideABlackNote) {
  Decoded d;
  ASSERT_TRUE(Draw("icon115", d));
  EXPECT_GT(CountColour(d, kRed), 30);
  EXPECT_GT(CountColour(d, kBlue), 30);
  EXPECT_GT(CountColour(d, kBlack), 30);
}

}  // namespace
