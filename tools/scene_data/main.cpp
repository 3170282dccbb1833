// Writes Emberhall's scene data: the models, pictures, clock pictures, the
// crackle sound and the scene description.
//   make_scene_data <folder> [<preview folder>]
#include <cstdio>
#include <exception>
#include <string>

#include "ClockPictures.h"
#include "Crackle.h"
#include "Description.h"
#include "Models.h"
#include "Previews.h"
#include "Textures.h"
#include "platform/Files.h"

using namespace scenedata;

namespace {

void Write(const std::string& Folder, const std::string& Name, const std::string& Text) {
  emberhall::ReplaceFileContents(Folder + "/" + Name, Text);
}

void MakeAll(const std::string& Out, const std::string& Previews) {
  const std::vector<TModel> models = MakeModels();
  for (const TModel& model : models) {
    Write(Out, model.FileName, ModelText(model));
    if (!Previews.empty()) emberhall::SaveBitmapJPEG(Previews + "/" + model.FileName + ".jpg", ModelPreview(model), 92);
  }
  emberhall::SaveBitmapJPEG(Out + "/Kirpic1.jpg", RedBricks(), 90);
  emberhall::SaveBitmapJPEG(Out + "/Kirpic2.jpg", BuffBricks(), 90);
  emberhall::SaveBitmapJPEG(Out + "/kamni.jpg", Stones(), 90);
  emberhall::SaveBitmapJPEG(Out + "/FLAME.jpg", DarkFlame(), 90);
  emberhall::TBitmap clock, mask;
  MakeClockPictures(clock, mask);
  emberhall::SaveBitmapBMP(Out + "/clock.bmp", clock);
  emberhall::SaveBitmapBMP(Out + "/ClockA.bmp", mask);
  if (!Previews.empty()) emberhall::SaveBitmapJPEG(Previews + "/clock.jpg", Expand(clock), 95);
  Write(Out, "fireplace.wav", WaveFile(CrackleSamples()));
  Write(Out, "fireplace.gsc", FireplaceDescription());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: make_scene_data <folder> [<preview folder>]\n");
    return 2;
  }
  try {
    MakeAll(argv[1], argc == 3 ? argv[2] : "");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_scene_data: %s\n", e.what());
    return 1;
  }
  return 0;
}
