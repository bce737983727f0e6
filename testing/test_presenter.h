// The headless presenter with what tests of display handling need: any
// set-up step, the back buffer's lock or the flip fails on request, the
// surfaces can be marked lost, and the steps run and window restores are
// recorded.
//
//   auto owned = std::make_unique<tessera::TestPresenter>();
//   tessera::TestPresenter* presenter = owned.get();
//   tessera::SetPresenter(std::move(owned));
//   presenter->FailStep(tessera::DisplayStep::kWindowTopmost);
#ifndef TESSERA_TESTING_TEST_PRESENTER_H
#define TESSERA_TESTING_TEST_PRESENTER_H
#pragma GCC visibility push(default)  // test support: exported

#include <set>
#include <vector>

#include "platform/headless/headless_presenter.h"

namespace tessera {

class TestPresenter : public HeadlessPresenter {
 public:
  // --- what tests set
  // The step fails from now on (until cleared).
  void FailStep(DisplayStep step) { failing_.insert(step); }
  void ClearFailures() { failing_.clear(); }
  void SetLockFails(bool fails) { lock_fails_ = fails; }
  void SetBlitFails(bool fails) { blit_fails_ = fails; }
  // Marks a surface lost, and whether restoring it works.
  void SetBackLost(bool lost, bool restorable) { back_lost_ = lost, back_restorable_ = restorable; }
  void SetPrimaryLost(bool lost, bool restorable) {
    primary_lost_ = lost, primary_restorable_ = restorable;
  }

  // --- what tests read
  // Every step asked for, failed ones included, oldest first.
  const std::vector<DisplayStep>& StepsRun() const { return steps_; }
  int WindowRestores() const { return restores_; }

  // --- Presenter
  bool RunStep(DisplayStep step, HWND window) override;
  bool LockBack(void** pixels, int* pitch) override;
  bool BlitBackToPrimary() override;
  bool IsBackLost() override { return back_lost_; }
  bool RestoreBack() override;
  bool IsPrimaryLost() override { return primary_lost_; }
  bool RestorePrimary() override;
  void RestoreWindow(HWND window, int width, int height) override;

 private:
  std::set<DisplayStep> failing_;
  std::vector<DisplayStep> steps_;
  bool lock_fails_ = false, blit_fails_ = false;
  bool back_lost_ = false, back_restorable_ = true;
  bool primary_lost_ = false, primary_restorable_ = true;
  int restores_ = 0;
};

}  // namespace tessera

#pragma GCC visibility pop
#endif
