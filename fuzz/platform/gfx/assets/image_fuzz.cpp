// One image reader, chosen at build time (VORLA_FUZZ_DECODER: DecodeJpeg, DecodeTarga or
// DecodeBmp). An image it accepts has a size within the limits and a pixel for every place.
#include "fuzz_check.h"
#include "platform/gfx/assets/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto image = gfx::assets::VORLA_FUZZ_DECODER({data, size});
    if (!image) {
        FUZZ_CHECK(!image.error().empty());
        return 0;
    }
    const int64_t w = image->width, h = image->height;
    FUZZ_CHECK(w > 0 && h > 0);
    FUZZ_CHECK(w <= gfx::assets::kMaxImageSide && h <= gfx::assets::kMaxImageSide);
    FUZZ_CHECK(w * h <= gfx::assets::kMaxImagePixels);
    FUZZ_CHECK(image->pixels.size() == static_cast<size_t>(w * h));
    return 0;
}
