#include "platform/presenter.h"

#include "platform/headless/headless_presenter.h"
#include "platform/service_slot.h"

namespace tessera {

namespace {
using PresenterSlot = ServiceSlot<Presenter, HeadlessPresenter>;
}  // namespace

void SetPresenter(std::unique_ptr<Presenter> presenter) {
  PresenterSlot::Set(std::move(presenter));
}

Presenter& GetPresenter() { return PresenterSlot::Get(); }

}  // namespace tessera
