#include "app/funUtils.h"
#include "framework/SysUtils.h"

std::string EscapeLineBreaks(const std::string& text, bool decode) {
    std::string s = Trim(text);
    if (decode) return StringReplace(s, "#13", "\r\n", rfReplaceAll);
    s = StringReplace(s, "\r\n", "#13", rfReplaceAll);
    s = StringReplace(s, "\n", "#13", rfReplaceAll);
    return StringReplace(s, "\r", "#13", rfReplaceAll);
}
