#include "pathText.h"

#include "foundation/platform.h"

namespace Vemora {

std::wstring widePath(const std::string& bytes) { return platform::widePathFromBytes(bytes); }

std::string narrowText(const wchar_t* text) { return text ? platform::pathBytes(text) : ""; }

}  // namespace Vemora
