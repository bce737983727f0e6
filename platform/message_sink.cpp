#include "platform/message_sink.h"

#include "platform/headless/headless_message_sink.h"

namespace tessera {

namespace {
std::unique_ptr<MessageSink>& Slot() {
  static std::unique_ptr<MessageSink> sink;
  return sink;
}
}  // namespace

void SetMessageSink(std::unique_ptr<MessageSink> sink) { Slot() = std::move(sink); }

MessageSink& GetMessageSink() {
  if (!Slot()) Slot() = std::make_unique<HeadlessMessageSink>();
  return *Slot();
}

void ShowMessage(std::string_view caption_gbk, std::string_view text_gbk, MessageIcon icon) {
  GetMessageSink().Show(caption_gbk, text_gbk, icon);
}

}  // namespace tessera
