// The .vvl document decoder. A document it accepts has its counters and parent links
// right, and encodes to exactly as many bytes as it was read from (the ignored tail
// aside); encoding is then a fixed point: decoding those bytes gives the same bytes again.
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "model/vvl_codec.h"

namespace {

void CheckTree(const CVelVorlaModel& model) {
    int32_t counts[5] = {0, 0, 0, 0, 0};
    int32_t total = 0;
    std::vector<const BlockNode*> pending;
    for (const BlockNode& b : model.topBlocks) {
        FUZZ_CHECK(b.parent == nullptr);
        pending.push_back(&b);
    }
    while (!pending.empty()) {
        const BlockNode* b = pending.back();
        pending.pop_back();
        FUZZ_CHECK(b->colour >= 0 && b->colour <= 4);
        ++counts[b->colour];
        ++total;
        for (const BlockNode& c : b->children) {
            FUZZ_CHECK(c.parent == b);
            pending.push_back(&c);
        }
    }
    for (int c = 0; c < 5; ++c) FUZZ_CHECK(model.colourCounts[c] == counts[c]);
    FUZZ_CHECK(model.colourCounts[5] == total);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ConstructionDocument document;
    const FileResult read = DecodeConstruction(data, size, document);
    if (!read) {
        FUZZ_CHECK(!read.message.empty());
        FUZZ_CHECK(document.model.topBlocks.Empty());
        return 0;
    }
    CheckTree(document.model);
    const std::vector<uint8_t> bytes =
        EncodeConstruction(document.camera, document.settings, document.model);
    FUZZ_CHECK(bytes.size() + document.trailingBytes == size);

    ConstructionDocument again;
    FUZZ_CHECK(DecodeConstruction(bytes.data(), bytes.size(), again));
    FUZZ_CHECK(again.trailingBytes == 0);
    FUZZ_CHECK(EncodeConstruction(again.camera, again.settings, again.model) == bytes);
    return 0;
}
