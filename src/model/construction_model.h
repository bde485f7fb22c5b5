#pragma once
// The block tree with its counters (CVelVorlaModel). A model on its own is plain data:
// the file codec decodes into one, tools and tests build them. The model being edited
// belongs to the document (model/document.h), which alone changes it.
#include <cstdint>
#include <memory>

#include "model/block.h"
#include "model/colours.h"

namespace model {

class CVelVorlaModel {
  public:
    CVelVorlaModel() = default;
    CVelVorlaModel(const CVelVorlaModel&) = delete;
    CVelVorlaModel& operator=(const CVelVorlaModel&) = delete;
    CVelVorlaModel(CVelVorlaModel&&) noexcept = default;
    CVelVorlaModel& operator=(CVelVorlaModel&&) noexcept = default;
    ~CVelVorlaModel() = default;  // the list releases every block iteratively

    // Deletes every block (children before their parent) and zeroes the counters.
    void Clear();

    int32_t Total() const { return colourCounts[5]; }
    // Counter upkeep for one block of colour `c` (an index outside 0..4 only moves the
    // total, so a bad value can never write past the counters).
    void CountAdded(int c);
    void CountRemoved(int c);
    void CountRecoloured(int from, int to);

    BlockList topBlocks;
    int32_t gridShell = 1;
    int32_t gridSize = 1;
    // 0..4: blocks of each colour, visible or not; 5: all blocks.
    int32_t colourCounts[6] = {0, 0, 0, 0, 0, 0};
};

// The one block of a new construction: green, at the origin, axis (0,2,0).
std::unique_ptr<BlockNode> MakeInitialBlock();

}  // namespace model
