// Scene nodes for the tests: they record what the scene asks of them, and
// stand in for node classes that read references.
#pragma once

#include <string>
#include <vector>

#include "scene/ResourceLoader.h"
#include "scene/SceneObjects.h"

namespace emberhall::test {

// "name:what" for every call the recording nodes receive.
std::vector<std::string>& SceneCalls();

class TRecordingNode : public TMainSceneObject {
 public:
  const char* ClassName() const override { return "TRecordingNode"; }
  void ProcessEvents(float) override { SceneCalls().push_back(Name + ":events"); }
  void Animate(float) override { SceneCalls().push_back(Name + ":animate"); }
  void RenderOpaque() override { SceneCalls().push_back(Name + ":opaque"); }
  void RenderTransparent() override { SceneCalls().push_back(Name + ":blended"); }
};

// A node that is no scene object (the scene refuses it).
class TPlainObject : public TMainObject {
 public:
  const char* ClassName() const override { return "TPlainObject"; }
};

// Reads and writes one reference ("Target") and one string ("Note").
class TReferringNode : public TMainSceneObject {
 public:
  const char* ClassName() const override { return "TReferringNode"; }
  void LoadFromLoader(TResourceLoader& Loader) override {
    TMainSceneObject::LoadFromLoader(Loader);
    Target = Loader.ReadReference("Target", Target);
    Note = Loader.ReadString("Note", Note);
  }
  void SaveToLoader(TResourceLoader& Loader) override {
    TMainSceneObject::SaveToLoader(Loader);
    if (Target) Loader.WriteReference("Target", Target);
    if (!Note.empty()) Loader.WriteString("Note", Note);
  }
  TMainObject* Target = nullptr;
  std::string Note;
};

// Registers the test classes once (and the model's own first).
void RegisterTestSceneClasses();

}  // namespace emberhall::test
