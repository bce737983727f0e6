#include "platform/headless/headless_message_sink.h"

#include <cstdio>
#include <string>

#include "platform/test_probes.h"
#include "platform/text_encoding.h"

namespace tessera {

void HeadlessMessageSink::Show(std::string_view caption_gbk, std::string_view text_gbk,
                               MessageIcon icon) {
  if (Probes().message_box) Probes().message_box(caption_gbk, text_gbk, icon);
  std::string line = "MSGBOX [" + GbkToUtf8(caption_gbk) + "] " + GbkToUtf8(text_gbk) + "\n";
  // One write, so that the line stays whole even next to other output.
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace tessera
