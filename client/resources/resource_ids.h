// Resource numbers shared by velmora.rc and the program's code. Only #defines and comments:
// windres reads this file too.
#ifndef VELMORA_RESOURCES_RESOURCE_IDS_H
#define VELMORA_RESOURCES_RESOURCE_IDS_H

// The program's window icon (16 to 64 pixels, at the sizes the screen scales ask for). As the program's only icon group it is also
// the one Explorer shows for velmora.exe.
#define VELMORA_ICON_MAIN 129

// The skin's built-in artwork as raw file bytes (RCDATA), drawn at build time by
// client/skin/artwork/make_artwork.py; the engine reads them with FindResource/LoadResource.
#define VELMORA_RC_FRAME_SHEET 201   /* PNG, 205 x 260, translucent overlays for the banner */
#define VELMORA_RC_CONTROL_SHEET 202 /* BMP, 160 x 55, 24 bits, magenta around the frames */
#define VELMORA_RC_TAB_ICON 203      /* ICO, 32 x 32 to 64 x 64: the default tab icon */
// The two sheets drawn again at 150 % and 200 %: every piece at its rectangle scaled by its edges.
#define VELMORA_RC_FRAME_SHEET_150 204   /* PNG, 308 x 390 */
#define VELMORA_RC_CONTROL_SHEET_150 205 /* BMP, 240 x 83 */
#define VELMORA_RC_FRAME_SHEET_200 206   /* PNG, 410 x 520 */
#define VELMORA_RC_CONTROL_SHEET_200 207 /* BMP, 320 x 110 */

#endif
