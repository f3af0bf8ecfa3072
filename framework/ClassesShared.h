// What the Classes*.cpp files share.
#pragma once
#include <cctype>
#include <cstddef>
#include <string_view>

namespace classes_detail {

// Identifiers and property names compare without regard to ASCII case.
inline bool SameIdent(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace classes_detail
