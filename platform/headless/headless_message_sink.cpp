#include "platform/headless/headless_message_sink.h"

#include <cstdio>

#include "platform/text_encoding.h"

namespace tessera {

namespace {
std::vector<MessageRecord>& Log() {
  static std::vector<MessageRecord> log;
  return log;
}
}  // namespace

void HeadlessMessageSink::Show(std::string_view caption_gbk, std::string_view text_gbk,
                               MessageIcon icon) {
  Log().push_back({std::string(caption_gbk), std::string(text_gbk), icon});
  std::string line = "MSGBOX [" + GbkToUtf8(caption_gbk) + "] " + GbkToUtf8(text_gbk) + "\n";
  // One write, so that the line stays whole even next to other output.
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

const std::vector<MessageRecord>& HeadlessMessages() { return Log(); }
void ClearHeadlessMessages() { Log().clear(); }

}  // namespace tessera
