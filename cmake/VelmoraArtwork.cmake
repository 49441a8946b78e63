# The skin's built-in artwork: drawn at build time by client/skin/artwork/make_artwork.py into
# the build tree, and linked into Windows programs as resources by client/resources/velmora.rc,
# with the program's manifest and version resource. Beside it the default notification sound,
# written by client/resources/make_sound.py, which the program finds in its music folder.
#
#   velmora_artwork                 target: the generated files (native tests read them too)
#   velmora_add_resources(target)   on Windows, links the program icon, the artwork, the manifest
#                                   and the version resource into target

find_package(Python3 REQUIRED COMPONENTS Interpreter)

get_filename_component(_velmora_root ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(_velmora_artwork_script ${_velmora_root}/client/skin/artwork/make_artwork.py)
set(_velmora_artwork_dir ${CMAKE_BINARY_DIR}/artwork)
# What the .rc embeds; the preview is drawn beside them for the eye only.
set(_velmora_artwork_embedded
    ${_velmora_artwork_dir}/frame_sheet.png
    ${_velmora_artwork_dir}/control_sheet.bmp
    ${_velmora_artwork_dir}/frame_sheet_150.png
    ${_velmora_artwork_dir}/control_sheet_150.bmp
    ${_velmora_artwork_dir}/frame_sheet_200.png
    ${_velmora_artwork_dir}/control_sheet_200.bmp
    ${_velmora_artwork_dir}/tab_icon.ico
    ${_velmora_artwork_dir}/velmora.ico)

# The main window's tab pictures, shipped beside the program in its ico folder.
set(_velmora_tab_pictures)
foreach(n RANGE 1 7)
  list(APPEND _velmora_tab_pictures ${_velmora_artwork_dir}/ico/${n}.ico)
endforeach()

add_custom_command(
  OUTPUT ${_velmora_artwork_embedded} ${_velmora_tab_pictures} ${_velmora_artwork_dir}/preview.png
  COMMAND Python3::Interpreter ${_velmora_artwork_script} ${_velmora_artwork_dir}
  DEPENDS ${_velmora_artwork_script}
  COMMENT "Drawing the skin artwork"
  VERBATIM)
set(_velmora_sound_script ${_velmora_root}/client/resources/make_sound.py)
set(_velmora_default_sound ${_velmora_artwork_dir}/music/music.wav)
add_custom_command(
  OUTPUT ${_velmora_default_sound}
  COMMAND Python3::Interpreter ${_velmora_sound_script} ${_velmora_artwork_dir}
  DEPENDS ${_velmora_sound_script}
  COMMENT "Writing the default notification sound"
  VERBATIM)
add_custom_target(velmora_artwork DEPENDS ${_velmora_artwork_embedded} ${_velmora_tab_pictures}
                                          ${_velmora_artwork_dir}/preview.png ${_velmora_default_sound})
# For users in other directories, which do not see this file's variables:
# $<TARGET_PROPERTY:velmora_artwork,ARTWORK_DIR> is where the files are.
set_target_properties(velmora_artwork PROPERTIES
  ARTWORK_DIR ${_velmora_artwork_dir}
  TAB_PICTURES "${_velmora_tab_pictures}"
  DEFAULT_SOUND ${_velmora_default_sound}
  ARTWORK_EMBEDDED "${_velmora_artwork_embedded}"
  RESOURCE_SCRIPT ${_velmora_root}/client/resources/velmora.rc
  RESOURCE_HEADER ${_velmora_root}/client/resources/resource_ids.h)

# The manifest names the program's version and processor, so the build writes it.
if(WIN32)
  set(VELMORA_MANIFEST_VERSION ${velmora_VERSION_MAJOR}.${velmora_VERSION_MINOR}.${velmora_VERSION_PATCH}.0)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VELMORA_MANIFEST_ARCH amd64)
  else()
    set(VELMORA_MANIFEST_ARCH x86)
  endif()
  set(_velmora_manifest_dir ${CMAKE_BINARY_DIR}/manifest)
  configure_file(${_velmora_root}/client/resources/velmora.exe.manifest.in
                 ${_velmora_manifest_dir}/velmora.exe.manifest @ONLY)
  set_target_properties(velmora_artwork PROPERTIES MANIFEST_DIR ${_velmora_manifest_dir})
endif()

function(velmora_add_resources target)
  if(NOT WIN32)
    return()
  endif()
  foreach(property ARTWORK_DIR ARTWORK_EMBEDDED RESOURCE_SCRIPT RESOURCE_HEADER MANIFEST_DIR)
    get_target_property(${property} velmora_artwork ${property})
  endforeach()
  target_sources(${target} PRIVATE ${RESOURCE_SCRIPT})
  add_dependencies(${target} velmora_artwork)
  # windres looks for the files the .rc names in its include directories. It writes no
  # dependency file, so its inputs are listed for rebuilds. The version goes in as numbers: the
  # .rc makes its texts from them.
  set_source_files_properties(${RESOURCE_SCRIPT} TARGET_DIRECTORY ${target} PROPERTIES
    INCLUDE_DIRECTORIES "${ARTWORK_DIR};${MANIFEST_DIR}"
    COMPILE_DEFINITIONS "VELMORA_VERSION_MAJOR=${velmora_VERSION_MAJOR};VELMORA_VERSION_MINOR=${velmora_VERSION_MINOR};VELMORA_VERSION_PATCH=${velmora_VERSION_PATCH}"
    OBJECT_DEPENDS "${ARTWORK_EMBEDDED};${RESOURCE_HEADER};${MANIFEST_DIR}/velmora.exe.manifest")
endfunction()
