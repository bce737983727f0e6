// Text typed on the command line (UTF-8) turned into the GBK the engine
// stores, refusing what GBK cannot hold.
#ifndef TESSERA_TOOLS_COMMON_GBK_TEXT_H
#define TESSERA_TOOLS_COMMON_GBK_TEXT_H

#include <string>
#include <string_view>

namespace tessera::tools {

// The GBK form of `utf8`.  False when a character has no GBK form (or the
// text is not UTF-8): the lenient conversion would put '?' in its place,
// and an identifier changed that way could name -- and replace -- another
// resource.
bool ToGbkExactly(std::string_view utf8, std::string& gbk);

}  // namespace tessera::tools

#endif
