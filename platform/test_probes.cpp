#include "platform/test_probes.h"

namespace tessera {

TestProbes& Probes() {
  static TestProbes probes;
  return probes;
}

}  // namespace tessera
