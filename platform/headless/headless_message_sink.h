// Headless message boxes: one line per box on stderr.  Never blocks.
//
// The line is `MSGBOX [caption] text` with both texts converted from GBK to
// UTF-8; line breaks inside the text are kept, and a line break follows the
// whole message.  (Tests read the boxes shown from the test-support
// library's record: HeadlessMessages in testing/headless_controls.h.)
#ifndef TESSERA_PLATFORM_HEADLESS_HEADLESS_MESSAGE_SINK_H
#define TESSERA_PLATFORM_HEADLESS_HEADLESS_MESSAGE_SINK_H
#pragma GCC visibility push(default)  // reached by tessera_sdl and tessera_testing

#include "platform/message_sink.h"

namespace tessera {

class HeadlessMessageSink : public MessageSink {
 public:
  void Show(std::string_view caption_gbk, std::string_view text_gbk, MessageIcon icon) override;
};

}  // namespace tessera

#pragma GCC visibility pop
#endif
