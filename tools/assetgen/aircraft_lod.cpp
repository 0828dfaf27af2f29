#include "aircraft_lod.h"

#include <cstdio>

namespace skyloom::assetgen {

namespace {

// Rows and segments per level; the big surfaces are sampled so that level 1 has about a third of
// level 0's triangles and level 3 a few dozen for the whole aircraft.
constexpr Sampling kSampling[][kLevels] = {
    /* Body  */ {{30, 24}, {16, 14}, {9, 8}, {5, 4}},
    /* Wing  */ {{32, 18}, {16, 10}, {8, 6}, {3, 4}},
    /* Tail  */ {{12, 12}, {7, 8}, {4, 6}, {2, 4}},
    /* Pod   */ {{16, 14}, {9, 10}, {5, 6}, {3, 3}},
    /* Minor */ {{16, 14}, {9, 10}, {5, 6}, {0, 0}},
    /* Small */ {{8, 12}, {6, 8}, {0, 0}, {0, 0}},
    /* Thin  */ {{4, 6}, {4, 4}, {0, 0}, {0, 0}},
    /* Wire  */ {{4, 4}, {0, 0}, {0, 0}, {0, 0}},
    /* Gear  */ {{10, 12}, {6, 8}, {4, 6}, {0, 0}},
};

}  // namespace

Sampling samplingFor(Detail detail, int level) {
  if (level < 0 || level >= kLevels) return {};
  return kSampling[static_cast<int>(detail)][level];
}

Vec3 partPoint(const Part& part, float a, float b) { return transformCoord(part.surface->point(a, b), part.place); }

std::string levelMeshName(const std::string& name, int level) {
  return level == 0 ? name + ".x" : name + std::to_string(level) + ".x";
}

std::string liveryFileName(const std::string& name) { return name + ".jpg"; }

PatchGrid samplePart(const Part& part, Sampling sampling) {
  PatchGrid g;
  g.as = part.surface->rows(sampling.rows);
  g.bs = part.surface->columns(sampling.segments);
  g.rows = static_cast<int>(g.as.size());
  g.cols = static_cast<int>(g.bs.size());
  g.closedAround = part.surface->closedAround();
  g.points.reserve(g.as.size() * g.bs.size());
  for (int r = 0; r < g.rows; ++r) {
    const bool end = r == 0 || r == g.rows - 1;
    for (int c = 0; c < g.cols; ++c) {
      const Vec3 p = end ? part.surface->closedPoint(g.as[r], g.bs[c]) : part.surface->point(g.as[r], g.bs[c]);
      g.points.push_back(transformCoord(p, part.place));
    }
  }
  return g;
}

bool buildLevel(const AircraftDesign& design, const std::vector<UvRect>& rects, int level, BuiltLevel& out) {
  out = BuiltLevel{};
  out.model.name = levelMeshName(design.name, level);
  ModelSubset paint;
  ModelSubset glass;
  paint.textureName = glass.textureName = liveryFileName(design.name);
  paint.material = design.paint;
  glass.material = design.glass;
  std::vector<std::pair<PartSpan, int>> glassSpans;
  for (std::size_t i = 0; i < design.parts.size(); ++i) {
    const Part& part = design.parts[i];
    const Sampling sampling = samplingFor(part.detail, level);
    if (sampling.rows == 0) continue;
    const PatchGrid grid = samplePart(part, sampling);
    PartSpan span;
    span.subset = part.glass ? 1 : 0;
    if (!appendPatch(grid, rects[i], part.glass ? glass : paint, span)) {
      std::fprintf(stderr, "assetgen: %s has too many vertices in one subset\n", out.model.name.c_str());
      return false;
    }
    if (part.glass) {
      glassSpans.emplace_back(span, static_cast<int>(i));
      continue;
    }
    out.spans.push_back(span);
    out.parts.push_back(static_cast<int>(i));
  }
  out.model.subsets.push_back(std::move(paint));
  if (!glass.indices.empty()) {
    out.model.subsets.push_back(std::move(glass));
    for (const auto& [span, part] : glassSpans) {
      out.spans.push_back(span);
      out.parts.push_back(part);
    }
  }
  finishModelFigures(out.model);
  return true;
}

}  // namespace skyloom::assetgen
