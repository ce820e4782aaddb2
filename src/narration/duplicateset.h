#pragma once

namespace vexa {

// The current duplicate set: groups of a source image and its duplicates.
class CDuplicates {
public:
    int Count() const { return 0; }
};

}  // namespace vexa
