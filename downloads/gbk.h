// Conversion between the program's GBK texts and the UTF-16 that file-system paths and the wide
// Windows API use. Code page 936 is named explicitly: the system's own code page plays no part.
#pragma once

#include <string>
#include <string_view>

namespace dl {

// File-system paths travel as UTF-16, so a folder whose name lies outside GBK works too.
using PathText = std::u16string;

std::u16string gbkToUtf16(std::string_view gbk);
// Characters that GBK cannot hold come out as '?'.
std::string utf16ToGbk(std::u16string_view utf16);

}  // namespace dl
