#include "platform/Forms.h"

#include <poll.h>
#include <signal.h>

#include <gtest/gtest.h>

#include "platform/Resources.h"
#include "platform/SysUtils.h"
#include "platform/posix/Signals.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

namespace {

std::vector<std::string> journal;

class TRecorder : public TComponent {
 public:
  TRecorder(TComponent* owner, const std::string& name) : TComponent(owner) { Name = name; }
  ~TRecorder() override { journal.push_back("free " + Name); }
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    // A new component is announced before its constructor has named it.
    journal.push_back(Name + (op == opInsert ? " sees insert " : " sees remove ") + (c->Name.empty() ? "new" : c->Name));
  }
  void Loaded() override {
    TComponent::Loaded();
    journal.push_back("loaded " + Name);
  }
};

class TSource : public IMessageSource {
 public:
  std::vector<TMsg> pending;
  std::vector<uint32_t> dispatched;
  bool GetMessage(TMsg& m) override {
    if (pending.empty()) return false;
    m = pending.front();
    pending.erase(pending.begin());
    return true;
  }
  void DispatchMessage(const TMsg& m) override { dispatched.push_back(m.message); }
};

// A form whose construction fails half way, after one component was made.
class TBrokenForm : public TCustomForm {
 public:
  explicit TBrokenForm(TComponent* owner) : TCustomForm(owner) {
    new TRecorder(this, "made before the failure");
    throw EConvertError("'window' is not a valid integer value");
  }
};

}  // namespace

TEST(Forms, AMainFormThatFailsToBuildIsReportedAndEndsTheRun) {
  TFakeServices services;
  journal.clear();
  TApplication app;  // no title yet: the program's name stands in
  EXPECT_EQ(app.CreateForm<TBrokenForm>(), nullptr);
  EXPECT_EQ(app.MainForm, nullptr);
  EXPECT_TRUE(app.Terminated());
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(journal.back(), "free made before the failure");  // nothing leaks
  ASSERT_EQ(services.Messages.size(), 1u);
  EXPECT_EQ(services.Messages[0].Text, "'window' is not a valid integer value");
  EXPECT_EQ(services.Messages[0].Caption, "emberhall_tests");
  // A failing second form leaves the main form and the run alone.
  TApplication second;
  second.CreateForm<TCustomForm>();
  EXPECT_EQ(second.CreateForm<TBrokenForm>(), nullptr);
  EXPECT_NE(second.MainForm, nullptr);
  EXPECT_FALSE(second.Terminated());
}

TEST(Forms, OwnerNotifiesLoadsInOrderAndFreesLastFirst) {
  journal.clear();
  TApplication app;
  auto* form = new TCustomForm(&app);
  new TRecorder(form, "A");
  new TRecorder(form, "B");
  form->AfterConstruction();
  delete form;
  const std::vector<std::string> expected = {
      "A sees insert new", "loaded A", "loaded B",
      "A sees remove B", "B sees remove B", "free B",  // the removed one hears of itself too
      "A sees remove A", "free A"};
  EXPECT_EQ(journal, expected);
}

TEST(Forms, LoopOrderOfMessagesHookAndIdle) {
  TFakeServices services;
  TApplication app;
  TSource source;
  app.AddMessageSource(&source);
  source.pending = {{1, WM_KEYDOWN, 0, 0}, {1, WM_PAINT, 0, 0}, {1, WM_KEYUP, 0, 0}};
  std::vector<std::string> seen;
  app.OnMessage = [&](TMsg& m, bool& handled) {
    seen.push_back("hook " + std::to_string(m.message));
    handled = m.message == WM_PAINT;  // the hook may swallow a message
  };
  int idles = 0;
  app.OnIdle = [&](TObject*, bool& done) {
    seen.push_back("idle");
    done = false;
    if (++idles == 2) app.PostQuitMessage(0);
  };
  app.ShowMainForm = false;
  app.Run();
  EXPECT_EQ(seen, (std::vector<std::string>{"hook 256", "hook 15", "hook 257", "idle", "idle"}));
  EXPECT_EQ(source.dispatched, (std::vector<uint32_t>{WM_KEYDOWN, WM_KEYUP}));
  app.RemoveMessageSource(&source);
}

TEST(Forms, ExceptionsReachTheMessageBoxWithTheTitle) {
  TFakeServices services;
  TApplication app;
  app.Title = "Emberhall";
  app.ShowMainForm = false;
  int passes = 0;
  app.OnIdle = [&](TObject*, bool&) {
    if (++passes == 1) throw EConvertError("'x' is not a valid integer value");
    if (passes == 2) throw 42;
    app.Terminate();
  };
  app.Run();
  ASSERT_EQ(services.Messages.size(), 2u);
  EXPECT_EQ(services.Messages[0].Text, "'x' is not a valid integer value");
  EXPECT_EQ(services.Messages[0].Caption, "Emberhall");
  EXPECT_EQ(services.Messages[1].Text, "Unknown exception");
}

TEST(Forms, ClosingTheMainFormEndsTheApplication) {
  TApplication app;
  auto* form = app.CreateForm<TCustomForm>();
  EXPECT_EQ(app.MainForm, form);
  bool allow = false;
  form->OnCloseQuery = [&](TObject*, bool& can) { can = allow; };
  form->Close();
  EXPECT_FALSE(app.Terminated());
  allow = true;
  form->Close();
  EXPECT_TRUE(app.Terminated());
}

TEST(Resources, SceneDataIsEmbeddedByNameWithoutRegardToCase) {
  TResourceData gsc = FindResourceData("fireplace_gsc", TResourceType::RCData);
  ASSERT_TRUE(gsc.Found);
  std::string text;
  for (uint8_t b : gsc.Bytes) text += b == '\r' || b == '\n' ? static_cast<char>(b) : static_cast<char>(~b);
  EXPECT_NE(text.find("\r\n[MainScene]\r\n"), std::string::npos);  // stored scrambled, line breaks kept
  EXPECT_TRUE(FindResourceData("FIREPLACE_GSC", TResourceType::RCData).Found);
  EXPECT_FALSE(FindResourceData("FIREPLACE_GSC", TResourceType::Bitmap).Found);
  EXPECT_FALSE(FindResourceData("fireplace.gsc", TResourceType::RCData).Found);
}

// A termination signal that comes before the loop's wait begins still ends
// the wait: the wake-up descriptor is readable until the request is cleared.
TEST(Forms, ATerminationSignalLeavesTheWaitsDescriptorReadable) {
  TApplication app;  // installs the termination handlers
  const int fd = TerminationWakeFd();
  ASSERT_GE(fd, 0);
  auto readable = [fd] {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1;
  };
  EXPECT_FALSE(readable());
  raise(SIGTERM);
  EXPECT_TRUE(TerminationRequested());
  EXPECT_TRUE(readable());
  ClearTerminationRequest();
  EXPECT_FALSE(TerminationRequested());
  EXPECT_FALSE(readable());
}
