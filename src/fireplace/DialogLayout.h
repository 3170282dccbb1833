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
constexpr TBox GroupGraphic{338, 4, 262, 190};
constexpr TBox LabelDepth{348, 24, 84, 22};
constexpr TBox ComboBoxDepth{434, 24, 158, 22};
constexpr TBox LabelResolution{348, 50, 84, 22};
constexpr TBox ComboBoxResolution{434, 50, 158, 22};
constexpr TBox CheckBoxDesktop{348, 78, 244, 18};
constexpr TBox CheckBoxWaitSync{348, 96, 244, 18};
constexpr TBox CheckBoxTrueTexturers{348, 114, 244, 18};
constexpr TBox CheckBoxSoftware{348, 132, 244, 18};
constexpr TBox CheckBoxWideScreen{348, 150, 244, 18};
constexpr TBox CheckBoxFPS{348, 168, 244, 18};

constexpr TBox GroupSystem{338, 198, 262, 44};
constexpr TBox CheckBoxMouseMove{348, 218, 140, 18};
constexpr TBox CheckBoxRunAsProg{490, 218, 106, 18};

constexpr TBox GroupClock{338, 246, 262, 44};
constexpr TBox RadioButtonClockNone{348, 266, 70, 18};
constexpr TBox RadioButton24Hour{424, 266, 82, 18};
constexpr TBox RadioButton12Hour{512, 266, 82, 18};

constexpr TBox GroupSound{338, 294, 262, 40};
constexpr TBox CheckBoxSound{348, 312, 244, 18};

constexpr TBox ButtonPreview{338, 340, 82, 25};
constexpr TBox ButtonAbout{428, 340, 82, 25};
constexpr TBox ButtonHelp{518, 340, 82, 25};
constexpr TBox ButtonFeedBack{338, 368, 82, 25};
constexpr TBox ButtonOk{428, 368, 82, 25};
constexpr TBox ButtonCancel{518, 368, 82, 25};

// Left column, under the preview.
constexpr TBox GroupFirebox{8, 254, 157, 48};
constexpr TBox ComboBoxFireplace{16, 274, 141, 22};
constexpr TBox GroupFlameColor{173, 254, 157, 48};
constexpr TBox ComboBoxFlameColor{181, 274, 141, 22};

constexpr TBox GroupFlameWidth{8, 306, 157, 87};
constexpr TBox TrackBarFlameWidth{16, 326, 141, 32};
constexpr TBox LabelWidthMin{16, 360, 40, 16};
constexpr TBox LabelFlameWidth{56, 360, 61, 16};
constexpr TBox LabelWidthMax{117, 360, 40, 16};

constexpr TBox GroupFlameDecay{173, 306, 157, 87};
constexpr TBox TrackBarFlameDecay{181, 326, 141, 32};
constexpr TBox LabelDecayMin{181, 360, 40, 16};
constexpr TBox LabelFlameDecay{221, 360, 61, 16};
constexpr TBox LabelDecayMax{282, 360, 40, 16};

}  // namespace emberhall::layout
