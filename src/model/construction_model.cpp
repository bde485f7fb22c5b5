#include "model/construction_model.h"

#include <algorithm>
#include <iterator>

namespace model {

void CVelVorlaModel::Clear() {
    topBlocks.Clear();
    std::fill(std::begin(colourCounts), std::end(colourCounts), 0);
}

void CVelVorlaModel::CountAdded(int c) {
    if (IsColourIndex(c)) ++colourCounts[c];
    ++colourCounts[5];
}

void CVelVorlaModel::CountRemoved(int c) {
    if (IsColourIndex(c)) --colourCounts[c];
    --colourCounts[5];
}

void CVelVorlaModel::CountRecoloured(int from, int to) {
    if (IsColourIndex(from)) --colourCounts[from];
    if (IsColourIndex(to)) ++colourCounts[to];
}

std::unique_ptr<BlockNode> MakeInitialBlock() {
    auto block = std::make_unique<BlockNode>();
    block->colour = ColourGreen;
    block->offset = {0, 0, 0};
    block->axis = {0, 2, 0};
    block->angle = 0;
    block->visible = 1;
    block->selfLit = 0;
    return block;
}

}  // namespace model
