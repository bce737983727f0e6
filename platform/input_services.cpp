#include "platform/input_services.h"

#include "platform/service_slot.h"

namespace tessera {

namespace {
using InputSlot = ServiceSlot<InputServices, HeadlessInputServices>;
}  // namespace

void SetInputServices(std::unique_ptr<InputServices> services) {
  InputSlot::Set(std::move(services));
}

InputServices& GetInputServices() { return InputSlot::Get(); }

bool GetCursorClientPos(HWND window, tagPOINT& point) {
  return GetInputServices().GetCursorClientPos(window, point);
}

}  // namespace tessera
