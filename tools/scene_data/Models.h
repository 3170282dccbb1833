// The firebox and clock models, written in the 3DM text format.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace scenedata {

struct TVec3 {
  double X = 0, Y = 0, Z = 0;
};

struct TModelMaterial {
  std::string Name;
  double Ambient = 150, Diffuse = 200, Specular = 229.5;  // grey levels, 0..255
  double SpecularLevel = 0, Glossiness = 10, Opacity = 100;
  double SelfIllum = 0;  // grey level of the light the surface gives off itself
  std::string DiffuseMap, OpacityMap;  // "" is written "undefined"
};

struct TModelObject {
  std::string Name, Material;
  std::vector<TVec3> Vertices;                // model coordinates (Z up)
  std::vector<std::array<int, 3>> Faces;      // 0-based here, written 1-based
  std::vector<std::array<double, 2>> UVs;
  std::vector<std::array<int, 3>> UVFaces;    // 0-based
  std::array<TVec3, 4> Transform{TVec3{1, 0, 0}, TVec3{0, 1, 0}, TVec3{0, 0, 1}, TVec3{0, 0, 0}};
};

struct TModel {
  std::string FileName;
  std::vector<TModelMaterial> Materials;
  std::vector<TModelObject> Objects;
};

// The three fireboxes (Vee, Rectangular, Cylindrical) and the clock square.
std::vector<TModel> MakeModels();
std::string ModelText(const TModel& Model);
// World coordinates (Y up, Z toward the camera) of a vertex as the scene
// shows it: the object transform, then the turn from Z up to Y up.
TVec3 WorldOf(const TModelObject& Object, const TVec3& V);

}  // namespace scenedata
