#pragma once

// What the parser needs of the document implementation beyond the public interface.

#include <vemora/xml/stXmlNode.h>

namespace Vemora {

// Clears the modification flag of a document made by this library (a freshly read document
// counts as unmodified); nothing for another implementation.
void xmlMarkUnmodified(stXmlDocument_c& document);

}  // namespace Vemora

namespace Vemora {

// The deepest nesting of elements the reader accepts; save refuses deeper trees, so every file
// written reads back.
constexpr int kXmlMaxDepth = 10000;

}  // namespace Vemora
