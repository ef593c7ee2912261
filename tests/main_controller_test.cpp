// The window controller's own rules that a session script cannot reach: what the
// timer does while an action is waiting in one of its dialogs.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/evaluator.h"
#include "support/data_fixture.h"
#include "support/files.h"
#include "support/scripted_host.h"
#include "ui/main_controller.h"
#include "workspace/workspace.h"

namespace takeoff::testing {
namespace {

// A host whose message boxes run the event loop's timer while they are shown, as a
// real dialog's loop does.
class LoopingHost : public ScriptedHost {
public:
  std::function<void()> WhileShown;
  platform::MsgAnswer MessageBox(const std::string& text, platform::MsgCaption caption, platform::MsgIcon icon,
                                 platform::MsgButtons buttons) override {
    if (WhileShown) WhileShown();
    return ScriptedHost::MessageBox(text, caption, icon, buttons);
  }
};

TEST(MainControllerTimer, TicksInsideADialogOfARunningCommandNeitherCountNorSave) {
  TempFolder folder;
  LoopingHost host;
  engine::Evaluator ev(&host);
  ui::MainController c(host, ev, folder.Path);
  c.Startup();
  c.Work().Settings()[workspace::kAutoSaveLine] = "1";
  host.AnswerAddNode("Fl-1");
  ASSERT_TRUE(c.Run("ActionApendCdNode"));
  const std::string path = (folder.Path / "a.mfz").string();
  host.AnswerFileDialog(path);
  ASSERT_TRUE(c.Run("ActionSaveAs"));
  host.AnswerAddNode("Fl-2");
  ASSERT_TRUE(c.Run("ActionApendCdNode"));
  ASSERT_TRUE(c.Work().State().Modified);
  const std::string saved = ReadAll(path);

  // "Save as" onto the same file asks before overwriting; a minute of ticks passes
  // while the question is shown, and the answer is No.
  host.WhileShown = [&] {
    for (int tick = 0; tick < 20; ++tick) c.TimerTick();
  };
  host.AnswerFileDialog(path);
  host.Answer(platform::MsgAnswer::No);
  ASSERT_TRUE(c.Run("ActionSaveAs"));
  host.WhileShown = nullptr;
  EXPECT_TRUE(ReadAll(path) == saved);
  EXPECT_TRUE(c.Work().State().Modified);
  EXPECT_EQ(c.Work().SecondsSinceSave(), 0);

  // Outside the dialog the ticks count again: the twelfth saves.
  for (int tick = 0; tick < 12; ++tick) c.TimerTick();
  EXPECT_FALSE(c.Work().State().Modified);
  EXPECT_TRUE(ReadAll(path) != saved);
}

}  // namespace
}  // namespace takeoff::testing
