// Web links as velmora's target: browsers and desktops hand them over where a file name stands.
#ifndef VELMORA_TEXT_WEB_LINK_H
#define VELMORA_TEXT_WEB_LINK_H

#include <string_view>

namespace velmora {

// "scheme://...": no file of that name is meant, and %P hands it on as it stands.
bool isLink(std::string_view target);

// Whether `written`, an argument as its command line writes it, holds `text` in one run: bare,
// or in one pair of quotation marks (whose last may be missing at the end of the line). A link
// that holds a quotation mark of its own, put between quotation marks as it stands (the shell's
// "%1"), arrives split at that mark and joined again without it: another link.
bool writtenWhole(std::string_view written, std::string_view text);

} // namespace velmora

#endif
