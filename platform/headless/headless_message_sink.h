// Headless message boxes: one line per box on stderr and a record that tests
// read.  Never blocks.
//
// The stderr line is `MSGBOX [caption] text` with both texts converted from
// GBK to UTF-8; line breaks inside the text are kept, and a line break
// follows the whole message.
#ifndef TESSERA_PLATFORM_HEADLESS_HEADLESS_MESSAGE_SINK_H
#define TESSERA_PLATFORM_HEADLESS_HEADLESS_MESSAGE_SINK_H
#pragma GCC visibility push(default)  // test controls: reached by tessera_testing

#include <string>
#include <vector>

#include "platform/message_sink.h"

namespace tessera {

struct MessageRecord {
  std::string caption;  // GBK, as the engine passed it
  std::string text;     // GBK
  MessageIcon icon;
};

class HeadlessMessageSink : public MessageSink {
 public:
  void Show(std::string_view caption_gbk, std::string_view text_gbk, MessageIcon icon) override;
};

// Every box shown through a headless sink since the last clear, oldest
// first.  The record is process-wide so that tests can read it whichever
// sink instance showed the box.
const std::vector<MessageRecord>& HeadlessMessages();
void ClearHeadlessMessages();

}  // namespace tessera

#pragma GCC visibility pop
#endif
