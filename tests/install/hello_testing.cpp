// A game's own test, linking Tessera's test support: the manual clock, the
// engine reset and the record of message boxes.
#include <tessera/tessera.h>
#include <tessera/testing/testing.h>

int main() {
  tessera::ManualClock* clock = tessera::InstallManualClock(1000);
  clock->Advance(250);
  if (tessera::NowMs() != 1250) return 1;
  AfxSetScreenWidth(320);
  ErrorBox("boom");
  if (tessera::HeadlessMessages().size() != 1 || tessera::HeadlessMessages()[0].text != "boom")
    return 2;
  tessera::ResetEngineForTests();
  tessera::ClearHeadlessMessages();
  return AfxGetScreenWidth() == 800 && tessera::HeadlessMessages().empty() ? 0 : 3;
}
