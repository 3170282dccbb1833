// The About box: product name, version, the OpenGL driver's texts, a still
// of the fireplace, a link to the project's web page and OK.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Forms.h"

namespace emberhall {

class TFormWindow;
class TLabel;
class TButton;
class TImage;
class TCustomOpenGL;
class TCustomGLApplication;

// RGB rows, bottom row first; empty when nothing could be read.
struct TAboutPicture {
  int Width = 0, Height = 0;
  std::vector<uint8_t> RGB;
};

class TAboutBox {
 public:
  // Opens over Over (centred on it) when shown; Title is the application's title.
  TAboutBox(const TFormWindow* Over, const std::string& Title);
  ~TAboutBox();
  TAboutBox(const TAboutBox&) = delete;
  TAboutBox& operator=(const TAboutBox&) = delete;

  // Fills the texts and shows the box modally until OK or a close request.
  void ShowAbout(const std::string& VersionText, const std::string& Comments);
  // Fills the texts without showing the box.
  void Fill(const std::string& VersionText, const std::string& Comments);
  void SetPicture(const TAboutPicture& Picture);

  void Label1Click(TObject* Sender);
  void ButtonOkClick(TObject* Sender);

  const std::string& Caption() const { return FCaption; }

  TLabel* ProductName = nullptr;
  TLabel* LabelVersion = nullptr;
  TLabel* LabelComments = nullptr;
  TImage* PanelPicture = nullptr;
  TLabel* Label1 = nullptr;  // the web link; hidden without an address
  TButton* ButtonOk = nullptr;
  // The address Label1 opens.
  std::string WebPage;

 private:
  std::unique_ptr<TFormWindow> FWindow;
  const TFormWindow* FOver;
  std::string FTitle, FCaption;
};

// "Vendor: ...", "Video: ..." and "OpenGL: ..." of the context, on three lines.
std::string AboutComments(TCustomOpenGL& Context);
// A still of the application's OpenGL window: one more frame of the same
// moment, drawn and read back (empty without a live context).
TAboutPicture CapturePreview(TCustomGLApplication& GLApplication);
// Opens Address in the desktop's web browser; nothing for an empty address.
void OpenWebPage(const std::string& Address);

}  // namespace emberhall
