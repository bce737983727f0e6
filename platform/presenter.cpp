#include "platform/presenter.h"

#include "platform/headless/headless_presenter.h"

namespace tessera {

namespace {
std::unique_ptr<Presenter>& Installed() {
  static std::unique_ptr<Presenter> presenter;
  return presenter;
}
}  // namespace

void SetPresenter(std::unique_ptr<Presenter> presenter) { Installed() = std::move(presenter); }

Presenter& GetPresenter() {
  if (!Installed()) Installed() = std::make_unique<HeadlessPresenter>();
  return *Installed();
}

}  // namespace tessera
