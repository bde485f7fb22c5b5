// The .vvl document decoder. A document it accepts has its counters and parent links
// right, and encodes to exactly as many bytes as it was read from (the ignored tail
// aside); encoding is then a fixed point: decoding those bytes gives the same bytes again.
// Read as a stream in short uneven pieces, as from a file, the same bytes decode to the
// same document or the same message.
#include <algorithm>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "model/vvl_codec.h"

using namespace input;
using namespace model;

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

// Hands the bytes out in reads of 1 to 13 bytes, so that values straddle every refill.
class ChunkedSource final : public VvlByteSource {
  public:
    ChunkedSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    int64_t Read(uint8_t* buffer, size_t n) override {
        const size_t chunk = std::min({n, size_ - pos_, 1 + (calls_++ * 7) % 13});
        std::memcpy(buffer, data_ + pos_, chunk);
        pos_ += chunk;
        return static_cast<int64_t>(chunk);
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    size_t calls_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ConstructionDocument document;
    const FileResult read = DecodeConstruction(data, size, document);
    ConstructionDocument streamed;
    ChunkedSource source(data, size);
    const FileResult readStreamed = DecodeConstruction(source, streamed);
    FUZZ_CHECK(readStreamed.ok == read.ok && readStreamed.message == read.message);
    if (!read) {
        FUZZ_CHECK(!read.message.empty());
        FUZZ_CHECK(document.model.topBlocks.Empty());
        return 0;
    }
    CheckTree(document.model);
    const std::vector<uint8_t> bytes =
        EncodeConstruction(document.camera, document.settings, document.model);
    FUZZ_CHECK(bytes.size() + document.trailingBytes == size);
    FUZZ_CHECK(streamed.trailingBytes == document.trailingBytes);
    FUZZ_CHECK(EncodeConstruction(streamed.camera, streamed.settings, streamed.model) == bytes);

    ConstructionDocument again;
    FUZZ_CHECK(DecodeConstruction(bytes.data(), bytes.size(), again));
    FUZZ_CHECK(again.trailingBytes == 0);
    FUZZ_CHECK(EncodeConstruction(again.camera, again.settings, again.model) == bytes);
    return 0;
}
