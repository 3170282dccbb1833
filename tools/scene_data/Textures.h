// The wall and flame pictures, 256 x 256, drawn from code.
#pragma once

#include "platform/PictureFiles.h"

namespace scenedata {

constexpr int kPictureSize = 256;

// Each picture repeats across: rendered Columns wide (more than 256 only to
// check that), column 256 is column 0 again.

// Red bricks in running bond, four to a row, ten courses, sooted at the top.
emberhall::TBitmap RedBricks(int Columns = kPictureSize);
// Buff firebricks, three to a row, eight courses, in a third bond.
emberhall::TBitmap BuffBricks(int Columns = kPictureSize);
// Rounded natural stones set in mortar.
emberhall::TBitmap Stones(int Columns = kPictureSize);
// The flame texture's picture before the first frame replaces it.
emberhall::TBitmap DarkFlame();

}  // namespace scenedata
