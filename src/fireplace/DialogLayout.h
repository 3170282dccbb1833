// Where the settings dialog's controls sit on its client area (608 x 399):
// the preview and the fireplace's own settings on the left, the graphic and
// system options, clock, sound and the buttons on the right.
#pragma once

namespace emberhall::layout {

struct TBox {
  int Left, Top, Width, Height;
  int CenterX() const { return Left + Width / 2; }
  int CenterY() const { return Top + Height / 2; }
};

constexpr int ClientWidth = 608;
constexpr int ClientHeight = 399;

// The black frame; the OpenGL window (320 x 240) sits inside its one-pixel border.
constexpr TBox Preview{8, 8, 322, 242};

// Right column.
constexpr TBox GroupGraphic{338, 4, 262, 178};
constexpr TBox LabelDepth{348, 22, 84, 22};
constexpr TBox ComboBoxDepth{434, 22, 158, 22};
constexpr TBox LabelResolution{348, 47, 84, 22};
constexpr TBox ComboBoxResolution{434, 47, 158, 22};
constexpr TBox CheckBoxDesktop{348, 73, 244, 17};
constexpr TBox CheckBoxWaitSync{348, 90, 244, 17};
constexpr TBox CheckBoxTrueTexturers{348, 107, 244, 17};
constexpr TBox CheckBoxSoftware{348, 124, 244, 17};
constexpr TBox CheckBoxWideScreen{348, 141, 244, 17};
constexpr TBox CheckBoxFPS{348, 158, 244, 17};

constexpr TBox GroupSystem{338, 186, 262, 60};
constexpr TBox CheckBoxMouseMove{348, 204, 244, 17};
constexpr TBox CheckBoxRunAsProg{348, 222, 244, 17};

constexpr TBox GroupClock{338, 250, 262, 44};
constexpr TBox RadioButtonClockNone{348, 270, 70, 18};
constexpr TBox RadioButton24Hour{424, 270, 82, 18};
constexpr TBox RadioButton12Hour{512, 270, 82, 18};

constexpr TBox GroupSound{338, 298, 262, 40};
constexpr TBox CheckBoxSound{348, 316, 244, 17};

constexpr TBox ButtonPreview{338, 344, 82, 24};
constexpr TBox ButtonAbout{428, 344, 82, 24};
constexpr TBox ButtonHelp{518, 344, 82, 24};
constexpr TBox ButtonFeedBack{338, 371, 82, 24};
constexpr TBox ButtonOk{428, 371, 82, 24};
constexpr TBox ButtonCancel{518, 371, 82, 24};

// Left column, under the preview.
constexpr TBox GroupFirebox{8, 254, 157, 48};
constexpr TBox ComboBoxFireplace{16, 274, 141, 22};
constexpr TBox GroupFlameColor{173, 254, 157, 48};
constexpr TBox ComboBoxFlameColor{181, 274, 141, 22};

constexpr TBox GroupFlameWidth{8, 306, 157, 89};
constexpr TBox TrackBarFlameWidth{16, 326, 141, 32};
constexpr TBox LabelWidthMin{16, 360, 40, 16};
constexpr TBox LabelFlameWidth{56, 360, 61, 16};
constexpr TBox LabelWidthMax{117, 360, 40, 16};

constexpr TBox GroupFlameDecay{173, 306, 157, 89};
constexpr TBox TrackBarFlameDecay{181, 326, 141, 32};
constexpr TBox LabelDecayMin{181, 360, 40, 16};
constexpr TBox LabelFlameDecay{221, 360, 61, 16};
constexpr TBox LabelDecayMax{282, 360, 40, 16};

}  // namespace emberhall::layout
