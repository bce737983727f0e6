// Message boxes through SDL_ShowSimpleMessageBox.  When SDL cannot show a
// box (no display), the headless sink's stderr line is used instead, so a
// message is never lost.
#include <SDL.h>

#include "platform/headless/headless_message_sink.h"
#include "platform/message_sink.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/text_encoding.h"

namespace tessera::sdl {

namespace {

class SdlMessageSink : public MessageSink {
 public:
  void Show(std::string_view caption_gbk, std::string_view text_gbk, MessageIcon icon) override {
    Uint32 flags = 0;
    switch (icon) {
      case MessageIcon::kStop:
        flags = SDL_MESSAGEBOX_ERROR;
        break;
      case MessageIcon::kWarning:
        flags = SDL_MESSAGEBOX_WARNING;
        break;
      case MessageIcon::kInformation:
        flags = SDL_MESSAGEBOX_INFORMATION;
        break;
      case MessageIcon::kNone:
        break;
    }
    const std::string caption = GbkToUtf8(caption_gbk), text = GbkToUtf8(text_gbk);
    if (SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), nullptr) != 0)
      fallback_.Show(caption_gbk, text_gbk, icon);
  }

 private:
  HeadlessMessageSink fallback_;
};

}  // namespace

void InstallSdlMessageSink() { SetMessageSink(std::make_unique<SdlMessageSink>()); }

}  // namespace tessera::sdl
