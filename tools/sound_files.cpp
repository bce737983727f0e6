// Writes the engine's sample sound files: a click for GUI sounds and a
// short MIDI tune, made by the library's own writers.
//
//   tessera-sound-files click click.wav [rate]
//   tessera-sound-files tune tune.mid
#include <cstdlib>
#include <string>

#include "common/tool_common.h"
#include "sound/midi_file.h"
#include "sound/wave_file.h"

int main(int argc, char** argv) {
  const std::string program = "tessera-sound-files";
  const auto args = tessera::tools::Args(argc, argv);
  if (args.size() < 2)
    return tessera::tools::Fail(program, "usage: tessera-sound-files click FILE.wav [RATE] | tune FILE.mid");
  if (args[0] == "click") {
    const long rate = args.size() > 2 ? std::strtol(args[2].c_str(), nullptr, 10) : 22050;
    if (rate < 100 || rate > 200000) return tessera::tools::Fail(program, "rate must be 100 to 200000");
    const std::string wave = tessera::MakeClickWave(uint32_t(rate));
    // The click's samples start after the canonical 44-byte header.
    if (!tessera::WriteWaveFile(args[1], 1, uint32_t(rate), 16, wave.data() + 44, wave.size() - 44))
      return tessera::tools::Fail(program, "cannot write " + args[1]);
    return 0;
  }
  if (args[0] == "tune") {
    if (!tessera::WriteMidiFile(args[1], tessera::ShortTune()))
      return tessera::tools::Fail(program, "cannot write " + args[1]);
    return 0;
  }
  return tessera::tools::Fail(program, "unknown kind " + args[0] + " (click or tune)");
}
