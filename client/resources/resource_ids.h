// Resource numbers shared by velmora.rc and the program's code. Only #defines and comments:
// windres reads this file too.
#ifndef VELMORA_RESOURCES_RESOURCE_IDS_H
#define VELMORA_RESOURCES_RESOURCE_IDS_H

// The program's window icon (16, 32 and 48 pixels). As the program's only icon group it is also
// the one Explorer shows for velmora.exe.
#define VELMORA_ICON_MAIN 129

// The skin's built-in artwork as raw file bytes (RCDATA), drawn at build time by
// client/skin/artwork/make_artwork.py; the engine reads them with FindResource/LoadResource.
#define VELMORA_RC_FRAME_SHEET 201   /* PNG, 205 x 260, translucent overlays for the banner */
#define VELMORA_RC_CONTROL_SHEET 202 /* BMP, 160 x 55, 24 bits, magenta around the frames */
#define VELMORA_RC_TAB_ICON 203      /* ICO, one 32 x 32 image: the default tab icon */

#endif
