// Geometry and camera paths of the stand-in data set.

#include "tools/standin/standin_meshes.h"

#include <cmath>
#include <map>
#include <utility>

#include "proc/maths.h"
#include "tools/standin/exact/exact_math.h"
#include "tools/standin/standin_paint.h"

namespace velkor {

namespace {

// Every scene lays full-screen quads 2.4 units in front of the eye (fades,
// backgrounds, overlays); they cover the view only up to 2 * atan(1 / 2.4),
// about 45.2 degrees of vertical field of view. Scene 5 inherits scene 4's.
constexpr double kFieldOfView = 45.0;

struct Vec3 {
  double x, y, z;
};

Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

// Builds one mesh; faces get the normal of their corners' winding.
struct MeshBuilder {
  MeshDesc mesh;
  std::vector<Vec3> positions;

  MeshBuilder(const char* material, const char* bitmap) {
    mesh.materialName = material;
    mesh.bitmapPath = std::string("d:\\3d\\maps\\") + bitmap;
  }

  std::uint32_t Vertex(Vec3 p) {
    MeshVertexDesc v;
    v.position[0] = static_cast<float>(p.x);
    v.position[1] = static_cast<float>(p.y);
    v.position[2] = static_cast<float>(p.z);
    v.mapping[0] = static_cast<std::uint32_t>(positions.size());
    mesh.vertices.push_back(v);
    positions.push_back(p);
    return static_cast<std::uint32_t>(positions.size() - 1);
  }

  void Face(std::uint32_t a, std::uint32_t b, std::uint32_t c, const double s[3], const double t[3]) {
    MeshFaceDesc f;
    f.vertex[0] = a;
    f.vertex[1] = b;
    f.vertex[2] = c;
    Vec3 n = Cross(Sub(positions[b], positions[a]), Sub(positions[c], positions[a]));
    const double len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (len > 0) n = {n.x / len, n.y / len, n.z / len};
    f.normal[0] = static_cast<float>(n.x);
    f.normal[1] = static_cast<float>(n.y);
    f.normal[2] = static_cast<float>(n.z);
    for (int k = 0; k < 3; ++k) {
      f.s[k] = static_cast<float>(s[k]);
      f.t[k] = static_cast<float>(t[k]);
    }
    mesh.faces.push_back(f);
  }

  // A triangle with its own three corners (flat, faceted look).
  void FlatTriangle(Vec3 a, Vec3 b, Vec3 c, const double s[3], const double t[3]) {
    const std::uint32_t i = Vertex(a), j = Vertex(b), k = Vertex(c);
    Face(i, j, k, s, t);
  }
};

CameraKeyDesc Key(double time, Vec3 p) {
  return {static_cast<float>(time), static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

// A camera whose keys sample position(t) and target(t) from first to last.
template <typename Position, typename Target>
CameraDesc SampledCamera(double first, double last, double step, double fov, Position position, Target target) {
  CameraDesc camera;
  for (double t = first; t <= last + 1e-9; t += step) {
    camera.positionKeys.push_back(Key(t, position(t)));
    camera.targetKeys.push_back(Key(t, target(t)));
  }
  const Vec3 p = position(first), q = target(first);
  camera.position[0] = static_cast<float>(p.x);
  camera.position[1] = static_cast<float>(p.y);
  camera.position[2] = static_cast<float>(p.z);
  camera.target[0] = static_cast<float>(q.x);
  camera.target[1] = static_cast<float>(q.y);
  camera.target[2] = static_cast<float>(q.z);
  camera.fov = static_cast<float>(fov);
  return camera;
}

// ---- Scene 0 ----

constexpr double kBasinHalf = 1000.0;
constexpr int kBasinCells = 64;      // per side
constexpr int kBasinTiles = 4;       // per side; one mesh per tile and material
constexpr double kBasinTexel = 200;  // world units per texture repeat

Vec3 BasinFlight(double t) {
  const double angle = -2.3 + t * 0.021;
  const double radius = 220.0 - 80.0 * SinSeries(t * 0.028);
  return {radius * CosSeries(angle), radius * SinSeries(angle), 120.0 + 45.0 * SinSeries(t * 0.04 + 1.0)};
}

Vec3 BasinLook(double t) {
  const Vec3 ahead = BasinFlight(t + 40.0);
  return {ahead.x * 0.8, ahead.y * 0.8, BasinFlight(t).z - 20.0};
}

enum BasinMaterial { kMeadow, kRock, kSnow };

BasinMaterial MaterialFor(Vec3 a, Vec3 b, Vec3 c) {
  const Vec3 n = Cross(Sub(b, a), Sub(c, a));
  const double len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
  const double up = len > 0 ? n.z / len : 1.0;
  const double height = (a.z + b.z + c.z) / 3.0;
  if (height > 250.0 + 30.0 * SinSeries(a.x * 0.01 + a.y * 0.013)) return kSnow;
  if (up < 0.82 || height > 60.0) return kRock;
  return kMeadow;
}

}  // namespace

double BasinHeight(double x, double y) {
  const double r = std::sqrt(x * x + y * y);
  double h = -30.0 + 40.0 * (paint::Fbm(x / 180.0 + 50.0, y / 180.0 + 50.0, 501U, 4) - 0.5);
  const double mountains = paint::SmoothStep(360.0, 800.0, r);
  h += mountains * (110.0 + 300.0 * paint::Fbm(x / 260.0 + 20.0, y / 260.0 + 20.0, 502U, 5));
  return h;
}

MeshFileDesc BuildBasinFile() {
  static const char* const kNames[3] = {"meadow", "rock", "snow"};
  static const char* const kBitmaps[3] = {"meadow.tga", "rock.tga", "snow.tga"};
  const double step = 2.0 * kBasinHalf / kBasinCells;
  const int perTile = kBasinCells / kBasinTiles;
  auto point = [&](int i, int j) {
    const double x = -kBasinHalf + i * step, y = -kBasinHalf + j * step;
    return Vec3{x, y, BasinHeight(x, y)};
  };
  MeshFileDesc file;
  for (int tj = 0; tj < kBasinTiles; ++tj) {
    for (int ti = 0; ti < kBasinTiles; ++ti) {
      MeshBuilder builders[3] = {{kNames[0], kBitmaps[0]}, {kNames[1], kBitmaps[1]}, {kNames[2], kBitmaps[2]}};
      std::map<std::pair<int, int>, std::uint32_t> index[3];
      auto vertex = [&](int m, int i, int j) {
        auto found = index[m].find({i, j});
        if (found != index[m].end()) return found->second;
        const std::uint32_t v = builders[m].Vertex(point(i, j));
        index[m][{i, j}] = v;
        return v;
      };
      for (int j = tj * perTile; j < (tj + 1) * perTile; ++j) {
        for (int i = ti * perTile; i < (ti + 1) * perTile; ++i) {
          // Two triangles per cell, counter-clockwise seen from above.
          const int corners[2][3][2] = {{{i, j}, {i + 1, j}, {i + 1, j + 1}}, {{i, j}, {i + 1, j + 1}, {i, j + 1}}};
          for (const auto& tri : corners) {
            const Vec3 a = point(tri[0][0], tri[0][1]), b = point(tri[1][0], tri[1][1]),
                       c = point(tri[2][0], tri[2][1]);
            const int m = MaterialFor(a, b, c);
            double s[3], t[3];
            const Vec3 p[3] = {a, b, c};
            for (int k = 0; k < 3; ++k) {
              s[k] = p[k].x / kBasinTexel;
              t[k] = p[k].y / kBasinTexel;
            }
            builders[m].Face(vertex(m, tri[0][0], tri[0][1]), vertex(m, tri[1][0], tri[1][1]),
                             vertex(m, tri[2][0], tri[2][1]), s, t);
          }
        }
      }
      for (MeshBuilder& b : builders)
        if (!b.mesh.faces.empty()) file.meshes.push_back(b.mesh);
    }
  }
  file.cameras.push_back(SampledCamera(-15.0, 210.0, 15.0, kFieldOfView, BasinFlight, BasinLook));
  return file;
}

MeshFileDesc BuildCrystalFile() {
  // A hexagonal bipyramid 64 units tall, every face flat.
  MeshBuilder b("petal", "petal.tga");
  const int sides = 6;
  const Vec3 top{0, 0, 34}, bottom{0, 0, -30};
  for (int k = 0; k < sides; ++k) {
    const double a0 = 2 * kPi * k / sides, a1 = 2 * kPi * (k + 1) / sides;
    const double r0 = k % 2 ? 18.0 : 24.0, r1 = (k + 1) % 2 ? 18.0 : 24.0;
    const Vec3 p0{r0 * CosSeries(a0), r0 * SinSeries(a0), 2.0}, p1{r1 * CosSeries(a1), r1 * SinSeries(a1), 2.0};
    const double s[3] = {k / 6.0, (k + 1) / 6.0, (k + 0.5) / 6.0};
    const double tUp[3] = {0.5, 0.5, 1.0}, tDown[3] = {0.5, 0.5, 0.0};
    b.FlatTriangle(p0, p1, top, s, tUp);
    b.FlatTriangle(p1, p0, bottom, s, tDown);
  }
  MeshFileDesc file;
  file.meshes.push_back(b.mesh);
  return file;
}

// ---- Scene 2 ----

MeshFileDesc BuildCloudCameraFile() {
  auto position = [](double t) {
    const double around = 0.4 + t * 0.0045;
    const double elevation = 0.2 + 0.12 * SinSeries(t * 0.02);
    const double distance = 760.0 + 10.0 * SinSeries(t * 0.013);
    return Vec3{distance * CosSeries(elevation) * CosSeries(around),
                distance * CosSeries(elevation) * SinSeries(around), distance * SinSeries(elevation)};
  };
  // Aimed a little above the cloud: the scene lifts its three copies by 165
  // to 190 units on screen, which would push their tops out of the view.
  auto target = [](double t) { return Vec3{10.0 * SinSeries(t * 0.03), 10.0 * CosSeries(t * 0.025), 70.0}; };
  MeshFileDesc file;
  file.cameras.push_back(SampledCamera(-20.0, 320.0, 20.0, kFieldOfView, position, target));
  return file;
}

MeshFileDesc BuildSpriteFile() {
  MeshFileDesc file;
  const char* const names[2] = {"spark", "glow"};
  const char* const bitmaps[2] = {"spark.tga", "glow.tga"};
  for (int m = 0; m < 2; ++m) {
    MeshBuilder b(names[m], bitmaps[m]);
    const double x = m * 50.0;
    const std::uint32_t v0 = b.Vertex({x - 20, 0, -20}), v1 = b.Vertex({x + 20, 0, -20});
    const std::uint32_t v2 = b.Vertex({x + 20, 0, 20}), v3 = b.Vertex({x - 20, 0, 20});
    const double s0[3] = {0, 1, 1}, t0[3] = {0, 0, 1}, s1[3] = {0, 1, 0}, t1[3] = {0, 1, 1};
    b.Face(v0, v1, v2, s0, t0);
    b.Face(v0, v2, v3, s1, t1);
    file.meshes.push_back(b.mesh);
  }
  return file;
}

// ---- Scene 3 ----

namespace {

// A closed prism or pyramid stack around a vertical axis: rings of (radius, z).
void AddLathe(MeshBuilder& b, double cx, double cy, const double* rings, int ringCount, int sides, double twist) {
  for (int r = 0; r + 1 < ringCount; ++r) {
    const double r0 = rings[2 * r], z0 = rings[2 * r + 1], r1 = rings[2 * r + 2], z1 = rings[2 * r + 3];
    for (int k = 0; k < sides; ++k) {
      const double a0 = 2 * kPi * k / sides + twist, a1 = 2 * kPi * (k + 1) / sides + twist;
      const Vec3 p00{cx + r0 * CosSeries(a0), cy + r0 * SinSeries(a0), z0},
          p01{cx + r0 * CosSeries(a1), cy + r0 * SinSeries(a1), z0};
      const Vec3 p10{cx + r1 * CosSeries(a0), cy + r1 * SinSeries(a0), z1},
          p11{cx + r1 * CosSeries(a1), cy + r1 * SinSeries(a1), z1};
      const double s0 = static_cast<double>(k) / sides, s1 = static_cast<double>(k + 1) / sides;
      const double t0 = static_cast<double>(r) / (ringCount - 1), t1 = static_cast<double>(r + 1) / (ringCount - 1);
      if (r0 > 0) {
        const double s[3] = {s0, s1, s1}, t[3] = {t0, t0, t1};
        b.FlatTriangle(p00, p01, p11, s, t);
      }
      if (r1 > 0) {
        const double s[3] = {s0, s1, s0}, t[3] = {t0, t1, t1};
        b.FlatTriangle(p00, p11, p10, s, t);
      }
    }
  }
}

MeshDesc Pillar(double cx, double cy, double height) {
  MeshBuilder b("marble", "marble.tga");
  const double rings[] = {0, 0, 10, 0, 10, 6, 7, 10, 7, height - 8, 10, height - 4, 10, height, 0, height};
  AddLathe(b, cx, cy, rings, 8, 8, 0.0);
  return b.mesh;
}

MeshDesc Crystal(double cx, double cy, double cz, double halfHeight, double radius, const char* material,
                 const char* bitmap, double twist) {
  MeshBuilder b(material, bitmap);
  const double rings[] = {0, cz - halfHeight, radius, cz - halfHeight * 0.2, radius * 0.8, cz + halfHeight * 0.3, 0,
                          cz + halfHeight};
  AddLathe(b, cx, cy, rings, 4, 6, twist);
  return b.mesh;
}

MeshDesc GlassSphere(double cz, double radius) {
  MeshBuilder b("glass", "texture04.tga");
  const int slices = 20, stacks = 12;
  for (int j = 0; j < stacks; ++j) {
    const double p0 = -kPi / 2 + kPi * j / stacks, p1 = -kPi / 2 + kPi * (j + 1) / stacks;
    for (int i = 0; i < slices; ++i) {
      const double a0 = 2 * kPi * i / slices, a1 = 2 * kPi * (i + 1) / slices;
      auto at = [&](double a, double p) {
        return Vec3{radius * CosSeries(p) * CosSeries(a), radius * CosSeries(p) * SinSeries(a),
                    cz + radius * SinSeries(p)};
      };
      const double s0 = static_cast<double>(i) / slices, s1 = static_cast<double>(i + 1) / slices;
      const double t0 = static_cast<double>(j) / stacks, t1 = static_cast<double>(j + 1) / stacks;
      if (j > 0) {
        const double s[3] = {s0, s1, s1}, t[3] = {t0, t0, t1};
        b.FlatTriangle(at(a0, p0), at(a1, p0), at(a1, p1), s, t);
      }
      if (j + 1 < stacks) {
        const double s[3] = {s0, s1, s0}, t[3] = {t0, t1, t1};
        b.FlatTriangle(at(a0, p0), at(a1, p1), at(a0, p1), s, t);
      }
    }
  }
  return b.mesh;
}

MeshDesc FloorDisc(double radius) {
  MeshBuilder b("slate", "slate.tga");
  const int sides = 32;
  const std::uint32_t centre = b.Vertex({0, 0, 0});
  std::vector<std::uint32_t> rim;
  for (int k = 0; k < sides; ++k)
    rim.push_back(b.Vertex({radius * CosSeries(2 * kPi * k / sides), radius * SinSeries(2 * kPi * k / sides), 0}));
  for (int k = 0; k < sides; ++k) {
    const Vec3& p = b.positions[rim[k]];
    const Vec3& q = b.positions[rim[(k + 1) % sides]];
    const double s[3] = {0.0, p.x / 60.0, q.x / 60.0}, t[3] = {0.0, p.y / 60.0, q.y / 60.0};
    b.Face(centre, rim[k], rim[(k + 1) % sides], s, t);
  }
  return b.mesh;
}

double PillarHeight(int k) { return 55.0 + 35.0 * (0.5 + 0.5 * SinSeries(k * 1.3)); }

double CrystalHeight(int k) { return 70.0 + 25.0 * SinSeries(k * 0.9); }

PointDesc Point(double x, double y, double z) {
  PointDesc p;
  p.position[0] = static_cast<float>(x);
  p.position[1] = static_cast<float>(y);
  p.position[2] = static_cast<float>(z);
  return p;
}

}  // namespace

MeshFileDesc BuildGardenCameraFile() {
  auto position = [](double t) {
    const double around = -1.6 + t * 0.03;
    const double radius = 330.0 - 60.0 * SinSeries(t * 0.035);
    return Vec3{radius * CosSeries(around), radius * SinSeries(around), 170.0 - 50.0 * SinSeries(t * 0.05)};
  };
  auto target = [](double t) { return Vec3{0.0, 0.0, 55.0 + 10.0 * SinSeries(t * 0.04)}; };
  MeshFileDesc file;
  file.cameras.push_back(SampledCamera(-10.0, 100.0, 10.0, kFieldOfView, position, target));
  return file;
}

MeshFileDesc BuildGardenFile() {
  MeshFileDesc file;
  file.meshes.push_back(FloorDisc(175.0));
  for (int k = 0; k < 12; ++k) {
    const double a = 2 * kPi * k / 12;
    file.meshes.push_back(Pillar(95.0 * CosSeries(a), 95.0 * SinSeries(a), PillarHeight(k)));
    file.points.push_back(Point(95.0 * CosSeries(a), 95.0 * SinSeries(a), PillarHeight(k) + 8.0));
  }
  for (int k = 0; k < 12; ++k) {
    const double a = 2 * kPi * (k + 0.5) / 12;
    file.meshes.push_back(
        Crystal(52.0 * CosSeries(a), 52.0 * SinSeries(a), CrystalHeight(k), 16.0, 7.0, "bronze", "bronze.tga", a));
    file.points.push_back(Point(52.0 * CosSeries(a), 52.0 * SinSeries(a), CrystalHeight(k) + 20.0));
  }
  {
    MeshBuilder column("marble", "marble.tga");
    const double rings[] = {0, 0, 18, 0, 18, 6, 12, 12, 12, 48, 16, 55, 0, 55};
    AddLathe(column, 0, 0, rings, 7, 12, 0.0);
    file.meshes.push_back(column.mesh);
  }
  file.meshes.push_back(GlassSphere(97.0, 42.0));  // mesh 26: the translucent one
  file.meshes.push_back(Crystal(0, 0, 160.0, 18.0, 10.0, "bronze", "bronze.tga", 0.0));
  file.points.push_back(Point(0, 0, 182.0));
  return file;
}

// ---- Scene 4 ----

namespace {

constexpr double kTunnelRadius = 45.0;
constexpr double kTunnelHalfLength = 800.0;
constexpr int kTunnelSides = 20;
constexpr int kTunnelRings = 80;
constexpr int kTunnelBand = 6;  // rings per band of one material

}  // namespace

MeshFileDesc BuildTunnelFile() {
  MeshBuilder builders[2] = {{"caustic", "caustic.tga"}, {"ripple", "ripple.tga"}};
  std::map<std::pair<int, int>, std::uint32_t> index[2];
  const double step = 2.0 * kTunnelHalfLength / kTunnelRings;
  auto vertex = [&](int m, int ring, int side) {
    side %= kTunnelSides;
    auto found = index[m].find({ring, side});
    if (found != index[m].end()) return found->second;
    const double a = 2 * kPi * side / kTunnelSides;
    const double wobble = 1.0 + 0.06 * SinSeries(ring * 0.7 + side * 1.9);
    const std::uint32_t v = builders[m].Vertex({kTunnelRadius * wobble * CosSeries(a), -kTunnelHalfLength + ring * step,
                                                kTunnelRadius * wobble * SinSeries(a)});
    index[m][{ring, side}] = v;
    return v;
  };
  for (int ring = 0; ring < kTunnelRings; ++ring) {
    const int m = (ring / kTunnelBand) % 2;
    for (int side = 0; side < kTunnelSides; ++side) {
      const double s0 = 3.0 * side / kTunnelSides, s1 = 3.0 * (side + 1) / kTunnelSides;
      const double y0 = -kTunnelHalfLength + ring * step, y1 = y0 + step;
      const double t0 = y0 / 90.0, t1 = y1 / 90.0;
      // Wound to face the axis.
      const double sa[3] = {s0, s1, s1}, ta[3] = {t0, t1, t0};
      builders[m].Face(vertex(m, ring, side), vertex(m, ring + 1, side + 1), vertex(m, ring, side + 1), sa, ta);
      const double sb[3] = {s0, s0, s1}, tb[3] = {t0, t1, t1};
      builders[m].Face(vertex(m, ring, side), vertex(m, ring + 1, side), vertex(m, ring + 1, side + 1), sb, tb);
    }
  }
  auto position = [](double t) {
    return Vec3{8.0 * SinSeries(t * 0.02), -520.0 + t * 2.4, 6.0 * CosSeries(t * 0.017)};
  };
  auto target = [](double t) {
    return Vec3{14.0 * SinSeries((t + 40.0) * 0.02), -520.0 + t * 2.4 + 150.0, 5.0 * CosSeries((t + 40.0) * 0.017)};
  };
  MeshFileDesc file;
  file.meshes.push_back(builders[0].mesh);
  file.meshes.push_back(builders[1].mesh);
  file.cameras.push_back(SampledCamera(-20.0, 320.0, 20.0, kFieldOfView, position, target));
  return file;
}

const char* MeshTextureDirectory(const char* path) {
  static const char* const kDirectories[][2] = {
      {"data/part01_max.bin", "data\\texpart01\\"}, {"data/part01_max2.bin", "data\\texpart01\\"},
      {"data/part03_max.bin", "data\\texpart03\\"}, {"data/part03_max2.bin", "data\\texpart03\\"},
      {"data/part04_max.bin", "data\\texpart04\\"}, {"data/part04_max2.bin", "data\\texpart04\\"},
      {"data/part06_max.bin", "data\\texpart06\\"},
  };
  for (const auto& entry : kDirectories)
    if (std::string(entry[0]) == path) return entry[1];
  return nullptr;
}

}  // namespace velkor
