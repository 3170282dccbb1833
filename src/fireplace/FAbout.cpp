#include "fireplace/FAbout.h"

#include "app/ExecutePro.h"
#include "app/GLApp.h"
#include "gl/OGL.h"
#include "platform/Controls.h"
#include "platform/FloatingPoint.h"
#include "platform/FormWindow.h"

namespace emberhall {

namespace {

constexpr int kWidth = 520, kHeight = 196;

TLabel* AddLabel(TControl* Parent, int Left, int Top, int Width, int Height) {
  return new TLabel(Parent, Left, Top, Width, Height);
}

}  // namespace

TAboutBox::TAboutBox(const TFormWindow* Over, const std::string& Title)
    : FWindow(CreateFormWindow("About", kWidth, kHeight)), FOver(Over), FTitle(Title) {
  TPanel* client = FWindow->Client();
  PanelPicture = new TImage(client, 12, 12, 162, 122);
  ProductName = AddLabel(client, 188, 12, 320, 24);
  LabelVersion = AddLabel(client, 188, 38, 320, 20);
  LabelComments = AddLabel(client, 188, 64, 320, 70);
  Label1 = AddLabel(client, 12, kHeight - 36, 300, 24);
  Label1->SetLink(true);
  Label1->OnClick = [this](TObject* s) { Label1Click(s); };
  ButtonOk = new TButton(client, kWidth - 94, kHeight - 37, 82, 25);
  ButtonOk->SetCaption("OK");
  ButtonOk->SetDefault(true);
  ButtonOk->OnClick = [this](TObject* s) { ButtonOkClick(s); };
  FWindow->OnCloseRequest = [this] { FWindow->Hide(); };
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::Fill(const std::string& VersionText, const std::string& Comments) {
  FCaption = "About " + FTitle + " Screen Saver";
  FWindow->SetCaption(FCaption);
  ProductName->SetCaption(FTitle);
  LabelVersion->SetCaption("Screen Saver Version " + VersionText);
  LabelComments->SetCaption(Comments);
  Label1->SetCaption(WebPage);
  Label1->SetVisible(!WebPage.empty());
}

void TAboutBox::ShowAbout(const std::string& VersionText, const std::string& Comments) {
  Fill(VersionText, Comments);
  FWindow->ShowModal(FOver, [this] {
    if (!Application || Application->Terminated()) {
      FWindow->Hide();
      return;
    }
    Application->HandleMessage();
  });
}

void TAboutBox::SetPicture(const TAboutPicture& Picture) {
  PanelPicture->SetPicture(Picture.Width, Picture.Height, Picture.RGB);
}

void TAboutBox::Label1Click(TObject*) { OpenWebPage(WebPage); }

void TAboutBox::ButtonOkClick(TObject*) { FWindow->Hide(); }

std::string AboutComments(TCustomOpenGL& Context) {
  return "Vendor: " + Context.GetVendor() + "\r\nVideo: " + Context.GetRenderer() + "\r\nOpenGL: " + Context.Version;
}

TAboutPicture CapturePreview(TCustomGLApplication& GLApplication) {
  TAboutPicture picture;
  TCustomAppOpenGL* context = GLApplication.Context.get();
  TCustomGLWindow* window = GLApplication.Window;
  if (!context || !context->Active || !window || !GLApplication.OnRender || !glReadPixels) return picture;
  if (window->Width <= 0 || window->Height <= 0) return picture;
  // One more frame of the same moment (no time passes for the flame), read
  // from the back buffer before any swap; the next frame replaces it.
  MaskFPUExceptions();
  GLApplication.Viewport->Apply();
  GLApplication.OnRender(0.0f, false);
  picture.Width = window->Width;
  picture.Height = window->Height;
  picture.RGB.resize(static_cast<size_t>(picture.Width) * static_cast<size_t>(picture.Height) * 3);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, picture.Width, picture.Height, GL_RGB, GL_UNSIGNED_BYTE, picture.RGB.data());
  return picture;
}

void OpenWebPage(const std::string& Address) {
  if (Address.empty()) return;
  TExecutePro shell(nullptr);
  shell.Mode = emShell;
  shell.FileToRun = Address;
  shell.Execute();
}

}  // namespace emberhall
