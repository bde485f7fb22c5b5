// vorla_samplegen OUT.vvl DESCRIPTION: builds a sample construction from a short text
// description and writes it as a construction document, with a camera that shows all of
// it. Run at build time for every description in tools/samplegen/models.
//
// The description is a list of statements, one per line; '#' starts a comment. Cells are
// places of the block lattice: cell (x, y, z) is the block centred at (2x, 2y, 2z), +y up,
// the editor's first view looking along +z. Later statements paint over earlier ones.
//
//   cell X Y Z COLOUR [lit]                        one block
//   box X0 Y0 Z0 X1 Y1 Z1 COLOUR [lit]             every cell of the box (corners included)
//   walls X0 Y0 Z0 X1 Y1 Z1 COLOUR [lit] [every N] the cells on the box's four sides (x or
//                                                   z at a bound); every N: only every N-th
//                                                   around the sides (battlements, posts)
//   arc CX CY Z0 Z1 R0 R1 COLOUR [lit]             the cells above CY whose distance from
//                                                   (CX, CY) in the x-y plane is in [R0, R1)
//   sphere CX CY CZ R COLOUR [lit]                 the cells within distance R
//   clear X0 Y0 Z0 X1 Y1 Z1                        empties the cells of the box
//   chain X Y Z COLOUR [lit]                       starts a chain of twisted blocks: a free
//                                                   block at the cell
//   link FACE DEGREES COLOUR [lit]                 the next block of the chain, on FACE (+x,
//                                                   -x, +y, -y, +z, -z) of the previous one
//                                                   in its own frame, twisted about the joint
//   repeat N ... end                               the statements between, N times
//
// COLOUR is red, yellow, green, blue or white; lit makes the block self-lit. The cells are
// joined into trees face to face as the editor joins blocks; chains hang block on block.
// Blocks that would overlap are an error.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <numbers>
#include <optional>
#include <queue>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "camera/camera.h"
#include "interaction/document.h"
#include "interaction/framing.h"
#include "model/construction.h"
#include "model/placement.h"

using namespace camera;
using namespace input;
using namespace interaction;
using namespace model;

namespace {

using Cell = std::tuple<int, int, int>;  // x, y, z

struct Paint {
    int colour = 0;
    bool lit = false;
};

struct Link {
    math::Vec3 offset;
    float degrees = 0;
    Paint paint;
};

struct Chain {
    Cell start;
    Paint paint;
    std::vector<Link> links;
};

struct Description {
    std::map<Cell, Paint> cells;
    std::vector<Chain> chains;
};

struct ParseError {
    int line;
    std::string message;
};

std::optional<int> ColourIndex(const std::string& word) {
    static const char* kNames[ColourCount] = {"red", "yellow", "green", "blue", "white"};
    for (int c = 0; c < ColourCount; ++c)
        if (word == kNames[c]) return c;
    return std::nullopt;
}

class Statement {
  public:
    Statement(std::vector<std::string> words, int line) : words_(std::move(words)), line_(line) {}

    const std::string& Verb() const { return words_[0]; }
    int Line() const { return line_; }

    int Int() {
        const std::string& w = Next("a whole number");
        size_t used = 0;
        int v = 0;
        try {
            v = std::stoi(w, &used);
        } catch (...) {
            used = 0;
        }
        if (used != w.size()) throw ParseError{line_, "'" + w + "' is not a whole number"};
        return v;
    }
    float Number() {
        const std::string& w = Next("a number");
        size_t used = 0;
        float v = 0;
        try {
            v = std::stof(w, &used);
        } catch (...) {
            used = 0;
        }
        if (used != w.size() || !std::isfinite(v))
            throw ParseError{line_, "'" + w + "' is not a number"};
        return v;
    }
    Paint Colour() {
        const std::string& w = Next("a colour");
        std::optional<int> c = ColourIndex(w);
        if (!c) throw ParseError{line_, "unknown colour '" + w + "'"};
        Paint p{*c, false};
        if (pos_ < words_.size() && words_[pos_] == "lit") {
            p.lit = true;
            ++pos_;
        }
        return p;
    }
    math::Vec3 Face() {
        const std::string& w = Next("a face");
        static const std::pair<const char*, math::Vec3> kFaces[6] = {
            {"+x", {2, 0, 0}},  {"-x", {-2, 0, 0}}, {"+y", {0, 2, 0}},
            {"-y", {0, -2, 0}}, {"+z", {0, 0, 2}},  {"-z", {0, 0, -2}}};
        for (const auto& [name, offset] : kFaces)
            if (w == name) return offset;
        throw ParseError{line_, "unknown face '" + w + "' (+x -x +y -y +z -z)"};
    }
    bool Optional(const char* word) {
        if (pos_ < words_.size() && words_[pos_] == word) {
            ++pos_;
            return true;
        }
        return false;
    }
    void End() {
        if (pos_ < words_.size())
            throw ParseError{line_, "unexpected '" + words_[pos_] + "' after " + Verb()};
    }

  private:
    const std::string& Next(const char* what) {
        if (pos_ >= words_.size()) throw ParseError{line_, Verb() + ": " + what + " expected"};
        return words_[pos_++];
    }
    std::vector<std::string> words_;
    int line_;
    size_t pos_ = 1;
};

// Reads the statements, unrolling repeat blocks.
std::vector<Statement> ReadStatements(std::istream& in) {
    struct Open {
        size_t first;
        int times;
        int line;
    };
    std::vector<Statement> out;
    std::vector<Open> open;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        if (size_t hash = text.find('#'); hash != std::string::npos) text.erase(hash);
        std::istringstream words(text);
        std::vector<std::string> w;
        for (std::string s; words >> s;) w.push_back(s);
        if (w.empty()) continue;
        if (w[0] == "repeat") {
            Statement s(w, line);
            const int times = s.Int();
            s.End();
            if (times < 1 || times > 10000) throw ParseError{line, "repeat: 1 to 10000 times"};
            open.push_back({out.size(), times, line});
        } else if (w[0] == "end") {
            if (open.empty()) throw ParseError{line, "end without repeat"};
            const Open o = open.back();
            open.pop_back();
            const std::vector<Statement> body(out.begin() + static_cast<long>(o.first), out.end());
            for (int i = 1; i < o.times; ++i) out.insert(out.end(), body.begin(), body.end());
        } else {
            out.emplace_back(std::move(w), line);
        }
    }
    if (!open.empty()) throw ParseError{open.back().line, "repeat without end"};
    return out;
}

template <class Fn>
void ForBox(Statement& s, Fn&& fn) {
    const int x0 = s.Int(), y0 = s.Int(), z0 = s.Int(), x1 = s.Int(), y1 = s.Int(), z1 = s.Int();
    if (x1 < x0 || y1 < y0 || z1 < z0)
        throw ParseError{s.Line(), "the second corner is below the first"};
    if (long{x1 - x0 + 1} * (y1 - y0 + 1) * (z1 - z0 + 1) > 1000000)
        throw ParseError{s.Line(), "box too large"};
    for (int y = y0; y <= y1; ++y)
        for (int z = z0; z <= z1; ++z)
            for (int x = x0; x <= x1; ++x) fn(x, y, z, x0, z0, x1, z1);
}

Description Parse(std::istream& in) {
    Description d;
    Chain* chain = nullptr;
    for (Statement& s : ReadStatements(in)) {
        const std::string verb = s.Verb();
        if (verb == "cell") {
            const int x = s.Int(), y = s.Int(), z = s.Int();
            d.cells[{x, y, z}] = s.Colour();
        } else if (verb == "box" || verb == "walls" || verb == "clear") {
            std::vector<Cell> cells;
            ForBox(s, [&](int x, int y, int z, int x0, int z0, int x1, int z1) {
                if (verb != "walls" || x == x0 || x == x1 || z == z0 || z == z1)
                    cells.emplace_back(x, y, z);
            });
            if (verb == "clear") {
                for (const Cell& c : cells) d.cells.erase(c);
            } else {
                const Paint p = s.Colour();
                int every = 1;
                if (verb == "walls" && s.Optional("every")) every = s.Int();
                if (every < 1) throw ParseError{s.Line(), "every: 1 or more"};
                for (const Cell& c : cells) {
                    // Position around the sides: x + z from the first corner steps by one
                    // from cell to cell along each side.
                    const int around = std::get<0>(c) + std::get<2>(c);
                    if (((around % every) + every) % every == 0) d.cells[c] = p;
                }
            }
        } else if (verb == "arc") {
            const float cx = s.Number(), cy = s.Number();
            const int z0 = s.Int(), z1 = s.Int();
            const float r0 = s.Number(), r1 = s.Number();
            const Paint p = s.Colour();
            if (z1 < z0 || r1 < r0 || r1 > 500) throw ParseError{s.Line(), "arc: bad bounds"};
            const int reach = static_cast<int>(std::ceil(r1));
            for (int z = z0; z <= z1; ++z)
                for (int y = static_cast<int>(std::ceil(cy)); y <= static_cast<int>(cy) + reach;
                     ++y)
                    for (int x = static_cast<int>(cx) - reach; x <= static_cast<int>(cx) + reach;
                         ++x) {
                        const float r = std::hypot(x - cx, y - cy);
                        if (r >= r0 && r < r1) d.cells[{x, y, z}] = p;
                    }
        } else if (verb == "sphere") {
            const float cx = s.Number(), cy = s.Number(), cz = s.Number(), r = s.Number();
            const Paint p = s.Colour();
            if (r < 0 || r > 100) throw ParseError{s.Line(), "sphere: radius 0 to 100"};
            const int reach = static_cast<int>(std::ceil(r));
            for (int z = static_cast<int>(cz) - reach; z <= static_cast<int>(cz) + reach; ++z)
                for (int y = static_cast<int>(cy) - reach; y <= static_cast<int>(cy) + reach; ++y)
                    for (int x = static_cast<int>(cx) - reach; x <= static_cast<int>(cx) + reach;
                         ++x)
                        if (std::hypot(x - cx, y - cy, z - cz) <= r) d.cells[{x, y, z}] = p;
        } else if (verb == "chain") {
            const int x = s.Int(), y = s.Int(), z = s.Int();
            d.chains.push_back({{x, y, z}, s.Colour(), {}});
            chain = &d.chains.back();
        } else if (verb == "link") {
            if (!chain) throw ParseError{s.Line(), "link before any chain"};
            Link l;
            l.offset = s.Face();
            l.degrees = s.Number();
            l.paint = s.Colour();
            chain->links.push_back(l);
        } else {
            throw ParseError{s.Line(), "unknown statement '" + verb + "'"};
        }
        s.End();
    }
    return d;
}

std::unique_ptr<BlockNode> MakeBlock(const Paint& p, const math::Vec3& offset,
                                     const math::Vec3& axis, float angle = 0) {
    auto b = std::make_unique<BlockNode>();
    b->colour = p.colour;
    b->selfLit = p.lit ? 1 : 0;
    b->offset = offset;
    b->axis = axis;
    b->angle = angle;
    return b;
}

math::Vec3 CellCentre(const Cell& c) {
    return {2.0f * static_cast<float>(std::get<0>(c)), 2.0f * static_cast<float>(std::get<1>(c)),
            2.0f * static_cast<float>(std::get<2>(c))};
}

// Joins the cells into trees: breadth first from the lowest cell of each connected
// group, every block hanging on the face of a neighbour, as the editor would add it.
void BuildLattice(const std::map<Cell, Paint>& cells, CVelVorlaModel& model) {
    std::map<Cell, bool> placed;
    std::vector<Cell> order;
    for (const auto& [cell, paint] : cells) order.push_back(cell);
    std::stable_sort(order.begin(), order.end(), [](const Cell& a, const Cell& b) {
        return std::tie(std::get<1>(a), std::get<2>(a), std::get<0>(a)) <
               std::tie(std::get<1>(b), std::get<2>(b), std::get<0>(b));
    });
    static const int kSteps[6][3] = {{0, 1, 0},  {1, 0, 0},  {0, 0, 1},
                                     {-1, 0, 0}, {0, 0, -1}, {0, -1, 0}};
    for (const Cell& root : order) {
        if (placed[root]) continue;
        placed[root] = true;
        BlockNode& top =
            model.topBlocks.PushBack(MakeBlock(cells.at(root), CellCentre(root), {0, 2, 0}));
        model.CountAdded(top.colour);
        std::queue<std::pair<Cell, BlockNode*>> queue;
        queue.push({root, &top});
        while (!queue.empty()) {
            auto [cell, block] = queue.front();
            queue.pop();
            for (const auto& step : kSteps) {
                const Cell next{std::get<0>(cell) + step[0], std::get<1>(cell) + step[1],
                                std::get<2>(cell) + step[2]};
                auto it = cells.find(next);
                if (it == cells.end() || placed[next]) continue;
                placed[next] = true;
                const math::Vec3 offset{2.0f * step[0], 2.0f * step[1], 2.0f * step[2]};
                BlockNode& child =
                    block->AppendChild(MakeBlock(it->second, offset, math::Abs(offset)));
                model.CountAdded(child.colour);
                queue.push({next, &child});
            }
        }
    }
}

void BuildChains(const std::vector<Chain>& chains, CVelVorlaModel& model) {
    for (const Chain& chain : chains) {
        BlockNode* tip =
            &model.topBlocks.PushBack(MakeBlock(chain.paint, CellCentre(chain.start), {0, 2, 0}));
        model.CountAdded(tip->colour);
        for (const Link& l : chain.links) {
            const float angle = l.degrees * std::numbers::pi_v<float> / 180.0f;
            tip = &tip->AppendChild(MakeBlock(l.paint, l.offset, math::Abs(l.offset), angle));
            model.CountAdded(tip->colour);
        }
    }
}

// Two blocks closer than this overlap visibly (face neighbours are 2 apart).
constexpr float kMinimumSpacing = 1.9f;

bool FindOverlap(const CVelVorlaModel& model, math::Vec3* where) {
    std::vector<math::Vec3> centres;
    WalkBlocks(model.topBlocks, math::Mat4{},
               [&](const BlockNode&, const math::Mat4& world, const math::Mat4&) {
                   centres.push_back(BlockCentre(world));
               });
    for (size_t i = 0; i < centres.size(); ++i)
        for (size_t j = i + 1; j < centres.size(); ++j)
            if (math::Distance(centres[i], centres[j]) < kMinimumSpacing) {
                *where = centres[i];
                return true;
            }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vorla_samplegen OUT.vvl DESCRIPTION\n");
        return 2;
    }
    std::ifstream in(argv[2]);
    if (!in) {
        std::fprintf(stderr, "%s: cannot be read\n", argv[2]);
        return 1;
    }
    CVelVorlaModel model;
    try {
        const Description d = Parse(in);
        BuildLattice(d.cells, model);
        BuildChains(d.chains, model);
    } catch (const ParseError& e) {
        std::fprintf(stderr, "%s:%d: %s\n", argv[2], e.line, e.message.c_str());
        return 1;
    }
    if (model.Total() == 0) {
        std::fprintf(stderr, "%s: no blocks\n", argv[2]);
        return 1;
    }
    math::Vec3 at;
    if (FindOverlap(model, &at)) {
        std::fprintf(stderr, "%s: blocks overlap near (%g, %g, %g)\n", argv[2], at.x, at.y, at.z);
        return 1;
    }

    // The editor opens the sample with this camera: all of it in view in a 4:3 window.
    CVelCamera camera;
    camera.Apply(nullptr);
    FrameConstruction(model.topBlocks, camera, 4.0f / 3.0f);
    ConstructionSettings settings;
    if (FileResult r = WriteConstructionFile(argv[1], CaptureCamera(camera), settings, model); !r) {
        std::fprintf(stderr, "%s: %s\n", argv[1], r.message.c_str());
        return 1;
    }
    std::printf("%s: %d blocks\n", argv[1], model.Total());
    return 0;
}
