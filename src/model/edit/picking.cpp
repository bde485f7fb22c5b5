#include "model/edit/picking.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/placement.h"

namespace model::edit {

using namespace input;
using namespace math;

namespace {

// A block whose bounding sphere the ray crosses, with what its test needs.
struct Candidate {
    size_t order;  // position in the walk: ties go to the lower one
    float entry;   // ray parameter where the ray enters the (slightly enlarged) sphere
    const BlockNode* block;
    Mat4 world;
    Mat4 rotation;
    const MeshGeometry* mesh;
};

// Where the ray (a half-line from t = 0) enters the sphere; false when it misses it or
// the sphere lies wholly behind the origin. The radius is widened a little so that
// rounding can only let more blocks through, never fewer, and the entry is never later
// than a hit the exact mesh test can report.
bool SphereEntry(const Vec3& origin, const Vec3& dir, const Vec3& centre, float radius,
                 float* entry) {
    const float dd = Dot(dir, dir);
    if (dd == 0.0f) return false;
    const Vec3 oc = centre - origin;
    const float r = radius * 1.001f + 1e-3f + 1e-5f * Length(oc);
    const float tc = Dot(oc, dir) / dd;
    const float d2 = LengthSq(centre - (origin + dir * tc));
    if (d2 > r * r) return false;
    const float half = std::sqrt((r * r - d2) / dd);
    if (tc + half < 0.0f) return false;
    *entry = tc - half;
    return true;
}

struct RayInBlock {
    Vec3 origin, direction;
};

RayInBlock IntoBlockFrame(const Ray& ray, const Candidate& c) {
    return {Vec3TransformCoord(ray.origin, MatrixInverseOrIdentity(c.world)),
            Vec3TransformCoord(ray.direction, MatrixInverseOrIdentity(c.rotation))};
}

std::vector<Candidate> GatherCandidates(const CVelVorlaSystem& system, const ViewSetup& view,
                                        const PickMeshes& meshes, const Ray& ray) {
    const BlockMeshChooser chooser(system, view, meshes);
    const float radius = chooser.BoundRadius();
    std::vector<Candidate> out;
    // A block closed in by its neighbours is not drawn, so it is never picked either; of
    // blocks repeating one another only the first can win, as the walk's ties go.
    const std::vector<bool>& hidden = system.document.HiddenBlocks().fromPicking;
    size_t order = 0;
    WalkBlocks(system.model.topBlocks, system.rootTransform,
               [&](const BlockNode& block, const Mat4& world, const Mat4& rotation) {
                   const size_t index = order++;
                   if (index < hidden.size() && hidden[index]) return;
                   float entry = 0;
                   if (!SphereEntry(ray.origin, ray.direction, world.Translation(), radius, &entry))
                       return;
                   const MeshGeometry* mesh = chooser.For(world);
                   if (!mesh) return;
                   out.push_back({index, entry, &block, world, rotation, mesh});
               });
    std::sort(out.begin(), out.end(), [](const Candidate& a, const Candidate& b) {
        return a.entry < b.entry || (a.entry == b.entry && a.order < b.order);
    });
    return out;
}

// The winner of a pick is the block with the smallest distance, the earliest in walk
// order among equals: the same block and place a test of every block in walk order finds
// with "a later block wins only when strictly nearer". Testing in order of sphere entry
// lets the search stop at the first block that cannot come nearer than the best.
template <class Evaluate>
PickResult RunPick(const CVelVorlaSystem& system, const ViewSetup& view, const PickMeshes& meshes,
                   const Ray& ray, Evaluate&& evaluate) {
    const std::vector<Candidate> candidates = GatherCandidates(system, view, meshes, ray);
    const Candidate* best = nullptr;
    float bestDistance = 0;
    Vec3 bestPoint;
    for (const Candidate& c : candidates) {
        if (best && c.entry > bestDistance) break;
        float distance = 0;
        Vec3 point;
        if (!evaluate(c, &distance, &point)) continue;
        if (!best || distance < bestDistance ||
            (distance == bestDistance && c.order < best->order)) {
            best = &c;
            bestDistance = distance;
            bestPoint = point;
        }
    }
    PickResult r;
    if (!best) return r;
    r.hit = true;
    r.distance = bestDistance;
    r.block = best->block;
    r.colour = best->block->colour;
    r.world = best->world;
    r.rotation = best->rotation;
    r.hitPoint = bestPoint;
    return r;
}

}  // namespace

// A miss leaves the block fields as they were.
void KeepPick(CVelVorlaSystem& system, const PickResult& r, bool withHitPoint) {
    system.pickDistance = r.distance;
    system.pickHit = r.hit ? 1 : 0;
    if (!r.hit) return;
    system.pickedColour = r.colour;
    system.pickedBlock = r.block;
    system.pickedWorld = r.world;
    system.pickedRotation = r.rotation;
    if (withHitPoint) system.hitPoint = r.hitPoint;
}

namespace {

// The mesh's bounding radius; computed here when the mesh's own was never filled in, so
// that the culling can never reject a block that the exact test would hit.
float MeshBound(const MeshGeometry& m) {
    if (m.boundRadius > 0.0f) return m.boundRadius;
    float r2 = 0;
    for (const Vec3& p : m.positions) r2 = std::max(r2, LengthSq(p));
    return std::sqrt(r2);
}

}  // namespace

Viewport PickViewport(const PickMeshes& meshes, const ViewSetup& view) {
    return meshes.viewport.width > 0 ? meshes.viewport : view.viewport;
}

bool IntersectMesh(const MeshGeometry* mesh, const Vec3& origin, const Vec3& direction,
                   MeshHit* hit) {
    if (!mesh) return false;
    const std::optional<RayHit> h = mesh->Intersect(origin, direction);
    if (!h || h->distance == 0.0f) return false;
    if (hit) {
        hit->point = mesh->HitPoint(*h);
        hit->distance = h->distance;
    }
    return true;
}

BlockMeshChooser::BlockMeshChooser(const CVelVorlaSystem& system, const ViewSetup& view,
                                   const PickMeshes& meshes)
    : meshes_(meshes),
      requested_(system.detailLevel),
      cubes_(system.showAsCubes != 0),
      detail_(view.projection, view.view, PickViewport(meshes, view)) {
    auto widen = [this](const MeshGeometry* m) {
        if (m) bound_ = std::max(bound_, MeshBound(*m));
    };
    if (cubes_) {
        widen(meshes.cube);
    } else {
        for (const MeshGeometry* m : meshes.blockMeshes) widen(m);
    }
    // The precise pick also tests the bounding cube of a detailed block.
    widen(meshes.cube);
}

const MeshGeometry* BlockMeshChooser::For(const Mat4& world) const {
    if (cubes_) return meshes_.cube;
    if (requested_ < 1 || requested_ > 3) return nullptr;
    return meshes_.blockMeshes[detail_.Choose(requested_, world) - 1];
}

PickResult FindNearest(const CVelVorlaSystem& system, const ViewSetup& view,
                       const PickMeshes& meshes, const Ray& ray) {
    return RunPick(system, view, meshes, ray, [&](const Candidate& c, float* distance, Vec3*) {
        const RayInBlock r = IntoBlockFrame(ray, c);
        MeshHit hit;
        if (!IntersectMesh(c.mesh, r.origin, r.direction, &hit) || hit.distance <= 0.0f)
            return false;
        *distance = hit.distance;
        return true;
    });
}

PickResult FindPrecise(const CVelVorlaSystem& system, const ViewSetup& view,
                       const PickMeshes& meshes, const Ray& ray) {
    return RunPick(
        system, view, meshes, ray, [&](const Candidate& c, float* distance, Vec3* point) {
            const RayInBlock r = IntoBlockFrame(ray, c);
            MeshHit hit;
            if (!IntersectMesh(c.mesh, r.origin, r.direction, &hit) || hit.distance <= 0.0f)
                return false;
            MeshHit cube;
            if (Length(hit.point) <= 1.0f &&
                IntersectMesh(meshes.cube, r.origin, r.direction, &cube) && cube.distance > 0.0f &&
                hit.distance > cube.distance) {
                *distance = cube.distance;
                *point = cube.point;
            } else {
                *distance = hit.distance;
                *point = hit.point;
            }
            return true;
        });
}

void PickNearest(CVelVorlaSystem& system, const ViewSetup& view, const PickMeshes& meshes,
                 const Ray& ray) {
    // The nearest pick reports no hit point.
    KeepPick(system, FindNearest(system, view, meshes, ray), false);
}

void PickPrecise(CVelVorlaSystem& system, const ViewSetup& view, const PickMeshes& meshes,
                 const Ray& ray) {
    KeepPick(system, FindPrecise(system, view, meshes, ray), true);
}

}  // namespace model::edit
