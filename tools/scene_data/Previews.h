// Pictures for looking at the models: a front view, a top view and the view
// of the program's camera, as wire frames.
#pragma once

#include "Models.h"
#include "platform/PictureFiles.h"

namespace scenedata {

emberhall::TBitmap ModelPreview(const TModel& Model);
// An 8-bit picture as a 24-bit one (for looking at it).
emberhall::TBitmap Expand(const emberhall::TBitmap& Picture);

}  // namespace scenedata
