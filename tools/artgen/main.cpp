// artgen <source.txt> <output.ico|output.bmp>
// Draws a pixel-art source into a Windows icon or bitmap. The output is
// written under a temporary name and renamed into place, so a failed run
// never leaves a partial file for the resource compiler to pick up.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "art.h"

namespace {

std::string LowerExtension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

bool WriteWhole(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::string temporary = path + ".artgen-tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: artgen <source.txt> <output.ico|output.bmp>\n";
    return 2;
  }
  const std::string source = argv[1];
  const std::string output = argv[2];
  const std::string ext = LowerExtension(output);
  if (ext != ".ico" && ext != ".bmp") {
    std::cerr << "artgen: " << output << ": the output must end in .ico or .bmp\n";
    return 2;
  }

  std::ifstream in(source, std::ios::binary);
  if (!in) {
    std::cerr << "artgen: cannot read " << source << "\n";
    return 1;
  }
  std::ostringstream text;
  text << in.rdbuf();

  std::vector<std::uint8_t> bytes;
  try {
    artgen::Image image = artgen::ParseSource(text.str());
    bytes = ext == ".ico" ? artgen::EncodeIco(image) : artgen::EncodeBmp(image);
  } catch (const artgen::ArtError& e) {
    std::cerr << "artgen: " << source;
    if (e.line() > 0) std::cerr << ":" << e.line();
    std::cerr << ": " << e.what() << "\n";
    return 1;
  }

  if (!WriteWhole(output, bytes)) {
    std::cerr << "artgen: cannot write " << output << "\n";
    return 1;
  }
  return 0;
}
