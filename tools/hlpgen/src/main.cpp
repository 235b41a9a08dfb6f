// hlpgen: builds the player's help file, its contents file and the copy of
// its source from the readable help source.
#include "cp932.h"
#include "helpfile.h"
#include "source.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: hlpgen <help-source> <out.hlp> <out.cnt> <out.hed>\n";
    return 2;
  }
  const std::string sourcePath = argv[1];
  const std::vector<std::string> outputs = {argv[2], argv[3], argv[4]};
  std::vector<std::string> temporaries;
  for (const std::string& output : outputs)
    temporaries.push_back(output + ".tmp" + std::to_string(getpid()));

  try {
    const std::string text = ReadFile(sourcePath);
    const hlpgen::HelpSource source = hlpgen::ParseHelpSource(text);
    const std::vector<std::string> contents = {
        hlpgen::BuildHelpFile(source),
        hlpgen::BuildContentsFile(source, BaseName(outputs[0])),
        hlpgen::BuildSourceCopy(text),
    };
    for (size_t i = 0; i < outputs.size(); ++i) WriteFile(temporaries[i], contents[i]);
    for (size_t i = 0; i < outputs.size(); ++i)
      if (std::rename(temporaries[i].c_str(), outputs[i].c_str()) != 0)
        throw std::runtime_error("cannot replace " + outputs[i] + ": " + std::strerror(errno));
    return 0;
  } catch (const hlpgen::SourceError& e) {
    std::cerr << sourcePath << ":" << e.what() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "hlpgen: " << e.what() << "\n";
  }
  // No set of outputs may be left behind that looks current: not a part of
  // this run's, nor an older run's that the build would take as up to date.
  for (const std::string& path : temporaries) std::remove(path.c_str());
  for (const std::string& path : outputs) std::remove(path.c_str());
  return 1;
}
