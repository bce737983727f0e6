// Host service: message boxes.
//
// Every box the engine shows (ErrorBox, DebugOut, the database tables'
// validation messages) goes through the installed sink.  Texts are GBK, as
// everywhere inside the engine; a sink converts them for its display.  The
// default sink is the headless one, which never blocks.
#ifndef TESSERA_PLATFORM_MESSAGE_SINK_H
#define TESSERA_PLATFORM_MESSAGE_SINK_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <memory>
#include <string_view>

namespace tessera {

enum class MessageIcon { kNone, kStop, kInformation, kWarning };

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Shows one box and returns when it has been dismissed.
  virtual void Show(std::string_view caption_gbk, std::string_view text_gbk, MessageIcon icon) = 0;
};

// Installs a sink; null reinstalls the headless default.
void SetMessageSink(std::unique_ptr<MessageSink> sink);
MessageSink& GetMessageSink();

// Shows a box through the installed sink.
void ShowMessage(std::string_view caption_gbk, std::string_view text_gbk, MessageIcon icon);

}  // namespace tessera

#pragma GCC visibility pop
#endif
