// Free routines of the application that belong to no class.
#pragma once
#include <string>

// The language file keeps multi-line texts on one line, each line break written as "#13".
// Both directions trim blanks and control characters at both ends first. Encoding turns
// CR LF, then a lone LF, then a lone CR into "#13"; decoding turns every "#13" into CR LF.
std::string EscapeLineBreaks(const std::string& text, bool decode);
