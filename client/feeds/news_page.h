// The login window's announcement page: the HTML document written into its browser before the
// announcement block is added, and the texts the block's style takes.
#pragma once
#include <cstdint>
#include <string>

namespace velmora {

// The empty page (GBK, CR LF line ends): white with a thin blue border, links all blue, and no
// context menu, right or middle click, or text selection.
std::string NewsPageTemplate();

// "#RRGGBB" (upper-case hexadecimal) of a 0x00BBGGRR colour value; bytes above the third are
// ignored.
std::string ColourToHtml(int64_t colour);

// The block's font size as a style text: points in decimal + "PT" ("12PT").
std::string AnnouncementFontSize(int points);

}  // namespace velmora
