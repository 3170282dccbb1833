#include "Models.h"

#include <cmath>
#include <cstdio>

namespace scenedata {

namespace {

// The firebox is drawn in world coordinates: Y up, Z toward the camera at
// (0, -24, 130), which looks along -Z. The opening's front edge is at
// z = -20, the floor at y = -100; the walls rise to y = 110, past the top of
// the view at the back.
constexpr double kFloor = -100, kMiddle = 5, kTop = 110;
constexpr double kFrontZ = -20, kHearthZ = 10, kHearthHalfWidth = 125;

// World (Y up) to model (Z up): the scene turns model (x, y, z) into (x, z, -y).
TVec3 ModelOf(double X, double Y, double Z) { return {X, -Z, Y}; }

struct TColumn {
  double X, Z;
};

struct TStyle {
  const char* File;
  const char* Material;
  const char* Texture;
  std::vector<TColumn> Columns;  // along the walls, left to right, as the camera sees them
  double UTile, VTile;           // world units per texture repeat
};

std::vector<TColumn> VeeColumns() {
  return {{-110, kFrontZ}, {-60, -100}, {-20, -100}, {20, -100}, {60, -100}, {110, kFrontZ}};
}

std::vector<TColumn> RectangularColumns() {
  return {{-110, kFrontZ}, {-110, -100}, {-37, -100}, {37, -100}, {110, -100}, {110, kFrontZ}};
}

// A half ellipse from the left front edge round the back to the right.
std::vector<TColumn> CylindricalColumns() {
  std::vector<TColumn> columns;
  const double pi = std::acos(-1.0);
  for (int i = 0; i <= 10; ++i) {
    const double angle = pi - pi * i / 10;
    columns.push_back({110 * std::cos(angle), kFrontZ - 80 * std::sin(angle)});
  }
  return columns;
}

// Walls: a grid of columns by three rows; the hearth: quads from the walls'
// foot to a front edge. Texture u runs along the walls (and across the
// hearth), v up the walls (and into the hearth), in world units per tile.
TModelObject Walls(const TStyle& Style) {
  TModelObject o;
  o.Name = Style.File == std::string("kamin01.3dm") ? "Stena01" : std::string("Stena0") + Style.File[6];
  o.Material = Style.Material;
  const int n = static_cast<int>(Style.Columns.size());
  const double rows[3] = {kFloor, kMiddle, kTop};
  double length = 0;
  std::vector<double> along(1, 0);
  for (int i = 1; i < n; ++i) {
    length += std::hypot(Style.Columns[i].X - Style.Columns[i - 1].X, Style.Columns[i].Z - Style.Columns[i - 1].Z);
    along.push_back(length);
  }
  for (int r = 0; r < 3; ++r)
    for (int i = 0; i < n; ++i) {
      o.Vertices.push_back(ModelOf(Style.Columns[i].X, rows[r], Style.Columns[i].Z));
      o.UVs.push_back({(along[i] - length / 2) / Style.UTile, (rows[r] - kFloor) / Style.VTile});
    }
  for (int i = 0; i < n; ++i) {  // the hearth's front edge
    const double x = -kHearthHalfWidth + 2 * kHearthHalfWidth * i / (n - 1);
    o.Vertices.push_back(ModelOf(x, kFloor, kHearthZ));
  }
  auto at = [n](int r, int i) { return r * n + i; };
  for (int r = 0; r < 2; ++r)
    for (int i = 0; i + 1 < n; ++i) {
      const int bl = at(r, i), br = at(r, i + 1), tr = at(r + 1, i + 1), tl = at(r + 1, i);
      o.Faces.push_back({bl, br, tr});
      o.Faces.push_back({bl, tr, tl});
      o.UVFaces.push_back({bl, br, tr});
      o.UVFaces.push_back({bl, tr, tl});
    }
  // The hearth has texture coordinates of its own: a flat map seen from above.
  const int hearthUV = static_cast<int>(o.UVs.size());
  auto flatUV = [&](const TVec3& m) { o.UVs.push_back({m.X / Style.UTile, (m.Y - 100) / Style.VTile}); };
  for (int i = 0; i < n; ++i) flatUV(o.Vertices[at(0, i)]);
  for (int i = 0; i < n; ++i) flatUV(o.Vertices[3 * n + i]);
  // Each hearth quad is split along the diagonal that keeps both triangles
  // facing up (beside a side wall's foot the quad is not convex).
  auto up = [&](int a, int b, int c) {
    const TVec3 &p = o.Vertices[a], &q = o.Vertices[b], &r = o.Vertices[c];
    return (q.X - p.X) * (r.Y - p.Y) - (q.Y - p.Y) * (r.X - p.X) > 0;  // model z is up
  };
  for (int i = 0; i + 1 < n; ++i) {
    const int b0 = at(0, i), b1 = at(0, i + 1), f0 = 3 * n + i, f1 = 3 * n + i + 1;
    const int ub0 = hearthUV + i, ub1 = hearthUV + i + 1, uf0 = hearthUV + n + i, uf1 = hearthUV + n + i + 1;
    if (up(f0, f1, b1) && up(f0, b1, b0)) {
      o.Faces.push_back({f0, f1, b1});
      o.Faces.push_back({f0, b1, b0});
      o.UVFaces.push_back({uf0, uf1, ub1});
      o.UVFaces.push_back({uf0, ub1, ub0});
    } else {
      o.Faces.push_back({f0, f1, b0});
      o.Faces.push_back({f1, b1, b0});
      o.UVFaces.push_back({uf0, uf1, ub0});
      o.UVFaces.push_back({uf1, ub1, ub0});
    }
  }
  return o;
}

// The flame: a sheet of 7 x 5 vertices standing on the hearth in front of
// the back wall, bowed toward the camera in the middle; the simulation's
// texture is mapped onto it whole.
TModelObject Flame() {
  TModelObject o;
  o.Name = "Flame01";
  o.Material = "Flame";
  const double pi = std::acos(-1.0);
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 7; ++c) {
      const double u = c / 6.0, v = r / 4.0;
      const double x = -56 + 112 * u;
      const double z = -78 + 12 * std::sin(pi * u);
      o.Vertices.push_back(ModelOf(x, kFloor + 150 * v, z));
      o.UVs.push_back({u, v});
    }
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 6; ++c) {
      const int bl = r * 7 + c, br = bl + 1, tl = bl + 7, tr = tl + 1;
      o.Faces.push_back({bl, br, tr});
      o.Faces.push_back({bl, tr, tl});
    }
  o.UVFaces = o.Faces;
  return o;
}

TModelMaterial WallMaterial(const TStyle& Style) {
  TModelMaterial m;
  m.Name = Style.Material;
  m.Ambient = 150;
  m.Diffuse = 210;
  m.Specular = 229.5;
  m.SpecularLevel = 5;
  m.Glossiness = 10;
  m.DiffuseMap = Style.Texture;
  return m;
}

TModelMaterial FlameMaterial() {
  TModelMaterial m;
  m.Name = "Flame";
  m.Ambient = m.Diffuse = m.Specular = 128;
  m.SpecularLevel = 5;
  m.Glossiness = 25;
  m.Opacity = 100;
  // The fire gives off its own light: its texture shows at full strength
  // whatever the lights do.
  m.SelfIllum = 255;
  m.DiffuseMap = m.OpacityMap = "FLAME.jpg";
  return m;
}

TModel Firebox(const TStyle& Style) {
  TModel model;
  model.FileName = Style.File;
  model.Materials = {WallMaterial(Style), FlameMaterial()};
  model.Objects = {Walls(Style), Flame()};
  return model;
}

TModel Clock() {
  TModel model;
  model.FileName = "clock.3dm";
  TModelMaterial m;
  m.Name = "Clock";
  m.Ambient = m.Diffuse = 255;
  m.Specular = 0;
  m.DiffuseMap = "clock.jpg";
  m.OpacityMap = "ClockA.jpg";
  model.Materials = {m};
  TModelObject o;
  o.Name = "Clock";
  o.Material = "Clock";
  o.Vertices = {{-100, -100, 0}, {100, -100, 0}, {100, 100, 0}, {-100, 100, 0}};
  o.UVs = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  o.Faces = o.UVFaces = {{0, 1, 2}, {0, 2, 3}};
  o.Transform = {TVec3{1, 0, 0}, TVec3{0, 0, 1}, TVec3{0, -1, 0}, TVec3{0, 0, 0}};
  model.Objects = {o};
  return model;
}

std::string Num(double V) {
  if (std::fabs(V) < 5e-7) V = 0;
  char text[32];
  std::snprintf(text, sizeof(text), "%.6g", V);
  return text;
}

std::string Vector(const TVec3& V) { return "[" + Num(V.X) + "," + Num(V.Y) + "," + Num(V.Z) + "]"; }
std::string Grey(double Level) { return "(color " + Num(Level) + " " + Num(Level) + " " + Num(Level) + ")"; }
std::string Map(const std::string& Name) { return Name.empty() ? "undefined" : Name; }

void Chunk(std::string& Out, const std::string& Name, const std::vector<std::string>& Lines) {
  Out += "#" + Name + " " + std::to_string(Lines.size()) + "\r\n";
  for (const std::string& line : Lines) Out += line + "\r\n";
}

}  // namespace

std::vector<TModel> MakeModels() {
  const TStyle styles[] = {
      {"kamin01.3dm", "Stena1", "Kirpic1.jpg", VeeColumns(), 288, 210},
      {"kamin02.3dm", "Stena2", "Kirpic2.jpg", RectangularColumns(), 240, 210},
      {"kamin03.3dm", "Stena3", "kamni.jpg", CylindricalColumns(), 200, 210},
  };
  std::vector<TModel> models;
  for (const TStyle& style : styles) models.push_back(Firebox(style));
  models.push_back(Clock());
  return models;
}

std::string ModelText(const TModel& Model) {
  std::string out;
  Chunk(out, "Header", {"Version 1"});
  Chunk(out, "MaterialCount", {"Count " + std::to_string(Model.Materials.size())});
  for (const TModelMaterial& m : Model.Materials) {
    Chunk(out, "MaterialStandard",
          {"Name " + m.Name, "ShaderType 1 Blinn", "Faceted false", "WireSize 1", "TwoSided false",
           "OpacityType 0", "Opacity " + Num(m.Opacity), "selfIllumColor " + Grey(m.SelfIllum),
           "Ambient " + Grey(m.Ambient), "Diffuse " + Grey(m.Diffuse), "Specular " + Grey(m.Specular),
           "SpecularLevel " + Num(m.SpecularLevel), "Glossiness " + Num(m.Glossiness),
           "DiffuseMap " + Map(m.DiffuseMap), "OpacityMap " + Map(m.OpacityMap), "BumpMap undefined",
           "ReflectionMap undefined"});
  }
  for (const TModelObject& o : Model.Objects) {
    Chunk(out, "Object", {"Name " + o.Name});
    const auto& t = o.Transform;
    Chunk(out, "Transform",
          {"Position " + Vector(t[3]), "Rotation [0,0,0]", "Scale [1,1,1]",
           "Transform (matrix3 " + Vector(t[0]) + " " + Vector(t[1]) + " " + Vector(t[2]) + " " + Vector(t[3]) + ")"});
    std::vector<std::string> lines;
    for (const TVec3& v : o.Vertices) lines.push_back(Vector(v));
    Chunk(out, "Vertices", lines);
    lines.clear();
    for (const auto& f : o.Faces) lines.push_back(Vector({double(f[0] + 1), double(f[1] + 1), double(f[2] + 1)}));
    Chunk(out, "VertexFaces", lines);
    lines.clear();
    for (const auto& uv : o.UVs) lines.push_back(Vector({uv[0], uv[1], 0}));
    Chunk(out, "TextureCoords", lines);
    lines.clear();
    for (const auto& f : o.UVFaces) lines.push_back(Vector({double(f[0] + 1), double(f[1] + 1), double(f[2] + 1)}));
    Chunk(out, "TextureCoordFaces", lines);
    Chunk(out, "FaceMatID", std::vector<std::string>(o.Faces.size(), "1"));
    Chunk(out, "Material", {"Name " + o.Material});
  }
  return out;
}

TVec3 WorldOf(const TModelObject& Object, const TVec3& V) {
  const auto& t = Object.Transform;
  const TVec3 m{V.X * t[0].X + V.Y * t[1].X + V.Z * t[2].X + t[3].X, V.X * t[0].Y + V.Y * t[1].Y + V.Z * t[2].Y + t[3].Y,
                V.X * t[0].Z + V.Y * t[1].Z + V.Z * t[2].Z + t[3].Z};
  return {m.X, m.Z, -m.Y};
}

}  // namespace scenedata
