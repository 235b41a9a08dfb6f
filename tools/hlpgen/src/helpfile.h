// Writers of the three shipped help files.
#pragma once

#include "source.h"

#include <string>

namespace hlpgen {

// The face names the help file asks for: the proportional Japanese desktop
// font for the text and its fixed-pitch sibling for `code`.
extern const char* const kTextFace;  // UTF-8
extern const char* const kCodeFace;  // UTF-8

// The WinHelp 3.1 file (uncompressed topics, code page 932 text).
std::string BuildHelpFile(const HelpSource& source);

// The contents file the viewer reads beside the help file (CP932, CRLF):
// one heading with the help title, one entry per topic.
std::string BuildContentsFile(const HelpSource& source, const std::string& helpFileName);

// The help source itself as CP932 text with CRLF line ends.
std::string BuildSourceCopy(const std::string& utf8Source);

}  // namespace hlpgen
