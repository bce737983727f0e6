#include "platform/input_services.h"

namespace tessera {

namespace {
std::unique_ptr<InputServices>& Installed() {
  static std::unique_ptr<InputServices> services;
  return services;
}
}  // namespace

void SetInputServices(std::unique_ptr<InputServices> services) { Installed() = std::move(services); }

InputServices& GetInputServices() {
  if (!Installed()) Installed() = std::make_unique<HeadlessInputServices>();
  return *Installed();
}

bool GetCursorClientPos(HWND window, tagPOINT& point) {
  return GetInputServices().GetCursorClientPos(window, point);
}

}  // namespace tessera
