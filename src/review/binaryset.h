#pragma once

namespace vexa {

// The set used by the binary compare of the autodelete pass.
class CBinaries {
public:
    int Count() const { return 0; }
};

}  // namespace vexa
