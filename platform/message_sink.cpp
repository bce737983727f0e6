#include "platform/message_sink.h"

#include "platform/headless/headless_message_sink.h"
#include "platform/service_slot.h"

namespace tessera {

namespace {
using SinkSlot = ServiceSlot<MessageSink, HeadlessMessageSink>;
}  // namespace

void SetMessageSink(std::unique_ptr<MessageSink> sink) { SinkSlot::Set(std::move(sink)); }

MessageSink& GetMessageSink() { return SinkSlot::Get(); }

void ShowMessage(std::string_view caption_gbk, std::string_view text_gbk, MessageIcon icon) {
  GetMessageSink().Show(caption_gbk, text_gbk, icon);
}

}  // namespace tessera
