#pragma once

namespace vexa {

// Registers the compiled resources (icons, splash picture, help pages). They
// live in a static library, so the linker keeps them only when something
// calls this; the program and UI tests call it once at start.
void InitialiseResources();

}  // namespace vexa
