#include "model/block_listing.h"

#include <charconv>

#include "model/placement.h"

namespace model {

void AppendCoordinate(std::string& out, float v) {
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 6);
    if (ec != std::errc()) {
        out += "nan";
        return;
    }
    std::string_view s(text, static_cast<size_t>(end - text));
    if (s == "-0.000000") s.remove_prefix(1);
    out += s;
}

void AppendCoordinates(std::string& out, const math::Vec3& v) {
    AppendCoordinate(out, v.x);
    out += ' ';
    AppendCoordinate(out, v.y);
    out += ' ';
    AppendCoordinate(out, v.z);
}

void WriteBlockListing(const BlockList& topBlocks,
                       const std::function<void(std::string_view)>& put) {
    std::string line;
    WalkBlocks(topBlocks, math::Mat4{},
               [&](const BlockNode& block, const math::Mat4& world, const math::Mat4&) {
                   line.clear();
                   char colour[16];
                   auto [end, ec] = std::to_chars(colour, colour + sizeof colour, block.colour);
                   (void)ec;
                   line.append(colour, end);
                   line += ' ';
                   AppendCoordinates(line, BlockCentre(world));
                   line += '\n';
                   put(line);
               });
}

std::string BlockListing(const BlockList& topBlocks) {
    std::string out;
    WriteBlockListing(topBlocks, [&out](std::string_view line) { out += line; });
    return out;
}

}  // namespace model
