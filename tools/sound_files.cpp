// Writes the engine's sample sound files: a click for GUI sounds and a
// short MIDI tune, made by the library's own writers.
//
//   tessera-sound-files click click.wav [rate]
//   tessera-sound-files tune tune.mid
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/tool_common.h"
#include "sound/midi_file.h"
#include "sound/wave_file.h"

int main(int argc, char** argv) {
  const std::string program = "tessera-sound-files";
  const auto args = tessera::tools::Args(argc, argv);
  const char usage[] = "usage: tessera-sound-files click FILE.wav [RATE] | tune FILE.mid\n";
  const std::string help =
      std::string(usage) +
      "Writes the engine's sample sounds: a click (16-bit mono wave, RATE Hz,\n"
      "default 22050) or a short MIDI tune.  Options: --help, --version.\n"
      "Exit status 0 done, 1 failure, 2 usage error.\n";
  if (int rc = tessera::tools::HelpOrVersion(args, program, help); rc >= 0) return rc;
  if (args.size() < 2 || args.size() > (args[0] == "click" ? 3u : 2u))
    return tessera::tools::UsageError(program, usage,
                                      args.size() < 2 ? "too few arguments" : "too many arguments");
  if (args[0] == "click") {
    char* end = nullptr;
    const long rate = args.size() > 2 ? std::strtol(args[2].c_str(), &end, 10) : 22050;
    if (args.size() > 2 && (end == args[2].c_str() || *end != '\0'))
      return tessera::tools::UsageError(program, usage, "RATE is a number, not " + args[2]);
    if (rate < 100 || rate > 200000)
      return tessera::tools::UsageError(program, usage, "RATE must be 100 to 200000");
    const std::string wave = tessera::MakeClickWave(uint32_t(rate));
    // The click's samples start after the canonical 44-byte header.
    if (!tessera::WriteWaveFile(args[1], 1, uint32_t(rate), 16, wave.data() + 44, wave.size() - 44))
      return tessera::tools::Fail(program, "cannot write " + args[1] + ": " + std::strerror(errno));
    return 0;
  }
  if (args[0] == "tune") {
    if (!tessera::WriteMidiFile(args[1], tessera::ShortTune()))
      return tessera::tools::Fail(program, "cannot write " + args[1] + ": " + std::strerror(errno));
    return 0;
  }
  return tessera::tools::UsageError(program, usage, "unknown kind " + args[0] + " (click or tune)");
}
