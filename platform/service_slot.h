// The slot behind each host service (presenter, input, message sink, glyph
// source): the one implementation the game installed with the service's
// Set function, or, when it installed none, `Default` made on first use, so
// that the engine always has something to call.  The slot itself is made on
// first use too, so it is ready whichever global asks first, and it goes at
// exit in the same order as any other first-use static.
#ifndef TESSERA_PLATFORM_SERVICE_SLOT_H
#define TESSERA_PLATFORM_SERVICE_SLOT_H

#include <memory>
#include <utility>

namespace tessera {

template <typename Service, typename Default>
struct ServiceSlot {
  // Null brings the default back on the next Get.
  static void Set(std::unique_ptr<Service> service) { Installed() = std::move(service); }
  static Service& Get() {
    if (!Installed()) Installed() = std::make_unique<Default>();
    return *Installed();
  }

 private:
  static std::unique_ptr<Service>& Installed() {
    static std::unique_ptr<Service> service;
    return service;
  }
};

}  // namespace tessera

#endif
