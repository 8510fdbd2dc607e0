// Contamination flags of measurements, from the night's star field.
#include "phot/contamination.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "align/star_list_reader.h"

namespace phot {

namespace {

constexpr float kSamePlace = 1.5f;      // pixels: one field star seen in two frames
constexpr float kMatchInFrame = 2.0f;   // pixels: a frame's star taken for a field star
constexpr float kFieldShare = 0.4f;     // share of the aligned frames a field star is seen in
constexpr float kReach = 150.0f;        // pixels around the object that are looked at
constexpr float kNoStar = 999.99f;

float distance(float u1, float v1, float u2, float v2) { return std::hypot(u1 - u2, v1 - v2); }

// The 2-pixel cell of a coordinate; a position beyond any frame (a typed extreme, NaN) falls
// in one far cell rather than past the integer range.
int64_t cellIndex(float x) {
  if (!(std::fabs(x) < 1.0e7f)) return x > 0.0f ? 5000000 : -5000000;
  return static_cast<int64_t>(std::floor(x / 2.0f));
}

int64_t cellKey(float u, float v) { return cellIndex(u) * 1000003 + cellIndex(v); }

struct Cluster {
  double sumU = 0.0, sumV = 0.0;
  int count = 0;
  int lastBlock = -1;
  std::vector<float> peaks;
  float u() const { return static_cast<float>(sumU / count); }
  float v() const { return static_cast<float>(sumV / count); }
};

float median(std::vector<float> values) {
  if (values.empty()) return 0.0f;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

std::string_view contaminationWord(Contamination c) {
  switch (c) {
    case Contamination::Aperture: return "aperture";
    case Contamination::Sky: return "sky";
    case Contamination::Steady: return "steady";
    case Contamination::SkyBox: return "skybox";
    case Contamination::Clean: return "clean";
    case Contamination::NoList: break;
  }
  return "nolist";
}

bool contaminationOfWord(std::string_view word, Contamination& c) {
  for (Contamination k : {Contamination::Aperture, Contamination::Sky, Contamination::Steady, Contamination::SkyBox,
                          Contamination::Clean, Contamination::NoList}) {
    if (word == contaminationWord(k)) {
      c = k;
      return true;
    }
  }
  return false;
}

bool isContaminated(Contamination c) { return c == Contamination::Aperture || c == Contamination::Sky; }

ContaminationCheck checkContamination(const MeasureGeometry& g, const std::vector<NearStar>& stars) {
  ContaminationCheck best{Contamination::Clean, kNoStar, 0.0f};
  const float zone = g.apertureRadius + 2.0f * g.fwhm;
  const int32_t half = g.skyBox / 2;
  const float ic = std::floor(g.u + 0.5f), jc = std::floor(g.v + 0.5f);  // the box's centre pixel
  const float patchReach = g.patchRadius + g.fwhm;
  auto rank = [](Contamination c) { return static_cast<int>(c); };
  for (const NearStar& s : stars) {
    const float d = distance(s.u, s.v, g.u, g.v);
    Contamination c = Contamination::Clean;
    if (d <= zone) {
      c = s.field && g.motion == ObjectMotion::Fixed ? Contamination::Steady : Contamination::Aperture;
    } else if (g.skyBox > 0) {
      if (std::fabs(s.u - ic) <= static_cast<float>(half) && std::fabs(s.v - jc) <= static_cast<float>(half))
        c = Contamination::SkyBox;
    } else {
      for (const NearStar& p : g.patches)
        if (distance(s.u, s.v, p.u, p.v) <= patchReach) c = Contamination::Sky;
    }
    if (rank(c) < rank(best.flag) || (c == best.flag && d < best.distance)) {
      best.flag = c;
      best.distance = d;
      best.ratio = g.objectPeak > 0.0f ? std::min(s.peak / g.objectPeak, kNoStar) : kNoStar;
    }
  }
  return best;
}

void StarField::read(std::istream& in, const align::AlignmentTable& table, const align::PixelSizes& px) {
  blocks_.clear();
  byKey_.clear();
  field_.clear();
  px_ = px;
  std::vector<Cluster> clusters;
  std::unordered_map<int64_t, std::vector<size_t>> cells;
  int aligned = 0;
  align::StarListReader reader(in);
  align::FrameBlock block;
  while (reader.next(block) == align::BlockRead::Frame) {
    Block b;
    b.key = align::stripType(block.name);
    for (const align::ListedStar& s : block.stars) b.stars.push_back({s.u, s.v, static_cast<float>(s.peakAboveSky)});
    const align::FrameLookup f = align::findFrame(table, block.name);
    if (f.found) {
      const int index = aligned++;
      for (const NearStar& s : b.stars) {
        float fu = 0.0f, fv = 0.0f;
        align::convuv(fu, fv, f.du, f.dv, f.rotation, s.u, s.v, px);
        Cluster* home = nullptr;
        for (int di = -1; di <= 1 && home == nullptr; ++di)
          for (int dj = -1; dj <= 1 && home == nullptr; ++dj) {
            auto it = cells.find(cellKey(fu + 2.0f * static_cast<float>(di), fv + 2.0f * static_cast<float>(dj)));
            if (it == cells.end()) continue;
            for (size_t c : it->second)
              if (clusters[c].lastBlock != index && distance(clusters[c].u(), clusters[c].v(), fu, fv) < kSamePlace) {
                home = &clusters[c];
                break;
              }
          }
        if (home == nullptr) {
          cells[cellKey(fu, fv)].push_back(clusters.size());
          clusters.emplace_back();
          home = &clusters.back();
        }
        home->sumU += fu;
        home->sumV += fv;
        home->count += 1;
        home->lastBlock = index;
        home->peaks.push_back(s.peak);
      }
    }
    byKey_[b.key] = blocks_.size();
    blocks_.push_back(std::move(b));
  }
  const int needed = std::max(aligned > 1 ? 2 : 1, static_cast<int>(std::ceil(kFieldShare * static_cast<float>(aligned))));
  for (const Cluster& c : clusters)
    if (c.count >= needed) field_.push_back({c.u(), c.v(), median(c.peaks)});
}

bool StarField::neighbours(std::string_view frameName, float du, float dv, float rotation, float u, float v,
                           float selfRadius, ObjectMotion motion, std::vector<NearStar>& out) const {
  out.clear();
  const std::string key = align::stripType(frameName);
  const auto found = byKey_.find(key);
  if (found == byKey_.end()) return false;
  const Block* block = &blocks_[found->second];
  std::vector<NearStar> own;
  for (const NearStar& s : block->stars)
    if (distance(s.u, s.v, u, v) <= kReach) own.push_back(s);
  std::vector<bool> taken(own.size(), false);
  for (const FieldStar& f : field_) {
    NearStar s{0.0f, 0.0f, f.peak, true};
    align::uvconv(f.u, f.v, du, dv, rotation, s.u, s.v, px_);
    if (distance(s.u, s.v, u, v) > kReach) continue;
    for (size_t k = 0; k < own.size(); ++k)
      if (!taken[k] && distance(own[k].u, own[k].v, s.u, s.v) < kMatchInFrame) {
        taken[k] = true;
        s.peak = own[k].peak;
        break;
      }
    out.push_back(s);
  }
  for (size_t k = 0; k < own.size(); ++k)
    if (!taken[k]) out.push_back(own[k]);
  // The object itself: the nearest star within selfRadius (for the moving object, the nearest
  // of the frame's own stars that is no field star).
  size_t self = out.size();
  float nearest = selfRadius;
  for (size_t k = 0; k < out.size(); ++k) {
    if (motion == ObjectMotion::Moving && out[k].field) continue;
    const float d = distance(out[k].u, out[k].v, u, v);
    if (d <= nearest) nearest = d, self = k;
  }
  if (self < out.size()) out.erase(out.begin() + static_cast<std::ptrdiff_t>(self));
  return true;
}

}  // namespace phot
