#pragma once

namespace Vemora {

class stVMREngine_c;

// Registers every configurable class of the library with the engine, in the library's fixed order.
void registerLibraryClasses(stVMREngine_c& engine);

}  // namespace Vemora
