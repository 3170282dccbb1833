#include "scene/SceneTestClasses.h"

namespace emberhall::test {

std::vector<std::string>& SceneCalls() {
  static std::vector<std::string> calls;
  return calls;
}

void RegisterTestSceneClasses() {
  RegisterSceneClasses();
  RegisterSceneClassOf<TRecordingNode>();
  RegisterSceneClassOf<TReferringNode>();
}

}  // namespace emberhall::test
