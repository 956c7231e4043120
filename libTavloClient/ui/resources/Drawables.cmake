# Drawables of the client: hand-written SVGs in ui/resources/drawable/, rendered to PNG
# at build time by svg2png (tools/svg2png) and compiled into the library as Qt resources.
#
# Every image is available as ":/drawable/NAME.png"; the tray icon is also ":/tray_icon.png".
#
# To add an image: drop NAME.svg into ui/resources/drawable/ and add "NAME:SIZE" (size in
# pixels of the square PNG) to TAVLO_DRAWABLES below. Nothing else needs to change.
# Qt renders SVG Tiny 1.2: plain shapes, paths, strokes and linear gradients are fine;
# clipPath, mask, filter and CSS styling are silently ignored, so don't rely on them.
#
# Included from libTavloClient/CMakeLists.txt before the library is created; defines
# TAVLO_RESOURCES, to be listed among the sources of the library. Building the target
# tavlo_drawables renders every PNG and compiles the resource file.

set(TAVLO_DRAWABLES
  logo256:256
  logo48:48
  ic_launcher:64
  tray_icon:32
  refresh:24
  server:48
  client:48
  close:16
  title_menu:20
  title_min:20
  title_max:20
  title_close:20
  upload:24
  alpha0:8
  icon_dir:48
  dir:48
  icon_file_music:48
  icon_file_video:48
  icon_file_pic:48
  icon_file_text:48
  icon_file_pdf:48
  icon_file_ppt:48
  icon_file_doc:48
  icon_file_xls:48
  icon_file_unknow:48
  back_to_father_dir:24
  folder_open:24
  reset:24
  cast:32
  cast_disable:32
  casting:32
  cast_pause:32
  cast_resume:32
  cast_aspect_ratio:32
)

# Extra resource paths: "ALIAS:NAME" exposes drawable NAME also as ":/ALIAS".
set(TAVLO_DRAWABLE_ALIASES
  tray_icon.png:tray_icon
)

set(_tavlo_drawable_src_dir ${CMAKE_CURRENT_SOURCE_DIR}/ui/resources/drawable)
set(_tavlo_drawable_out_dir ${CMAKE_CURRENT_BINARY_DIR}/drawable)
set(_tavlo_drawable_qrc ${CMAKE_CURRENT_BINARY_DIR}/tavlo_drawables.qrc)
set(_tavlo_drawable_cpp ${CMAKE_CURRENT_BINARY_DIR}/qrc_tavlo_drawables.cpp)
file(MAKE_DIRECTORY ${_tavlo_drawable_out_dir})

set(_tavlo_drawable_pngs)
set(_tavlo_drawable_svgs)
set(_tavlo_drawable_names)
set(_tavlo_qrc_entries)
foreach(_entry IN LISTS TAVLO_DRAWABLES)
  if(NOT _entry MATCHES "^([A-Za-z0-9_]+):([1-9][0-9]*)$")
    message(FATAL_ERROR "Drawables.cmake: bad entry '${_entry}', expected NAME:SIZE")
  endif()
  set(_name ${CMAKE_MATCH_1})
  set(_size ${CMAKE_MATCH_2})
  if(_name IN_LIST _tavlo_drawable_names)
    message(FATAL_ERROR "Drawables.cmake: drawable '${_name}' is listed twice")
  endif()
  set(_svg ${_tavlo_drawable_src_dir}/${_name}.svg)
  set(_png ${_tavlo_drawable_out_dir}/${_name}.png)
  if(NOT EXISTS ${_svg})
    message(FATAL_ERROR "Drawables.cmake: missing source ${_svg}")
  endif()

  add_custom_command(
    OUTPUT ${_png}
    COMMAND $<TARGET_FILE:svg2png> ${_svg} ${_png} ${_size}
    DEPENDS ${_svg} svg2png
    COMMENT "Rendering drawable ${_name}.png (${_size}px)"
    VERBATIM)

  list(APPEND _tavlo_drawable_names ${_name})
  list(APPEND _tavlo_drawable_svgs ${_svg})
  list(APPEND _tavlo_drawable_pngs ${_png})
  string(APPEND _tavlo_qrc_entries "    <file>drawable/${_name}.png</file>\n")
endforeach()

set(_tavlo_qrc_root_entries)
foreach(_entry IN LISTS TAVLO_DRAWABLE_ALIASES)
  if(NOT _entry MATCHES "^([A-Za-z0-9_./-]+):([A-Za-z0-9_]+)$")
    message(FATAL_ERROR "Drawables.cmake: bad alias '${_entry}', expected ALIAS:NAME")
  endif()
  if(NOT CMAKE_MATCH_2 IN_LIST _tavlo_drawable_names)
    message(FATAL_ERROR "Drawables.cmake: alias '${CMAKE_MATCH_1}' names unknown drawable '${CMAKE_MATCH_2}'")
  endif()
  string(APPEND _tavlo_qrc_root_entries
    "    <file alias=\"${CMAKE_MATCH_1}\">drawable/${CMAKE_MATCH_2}.png</file>\n")
endforeach()

# Written at configure time; configure_file only touches it when the content changes,
# so an unchanged list does not recompile the resources.
file(WRITE ${_tavlo_drawable_qrc}.in
  "<!DOCTYPE RCC>\n"
  "<RCC version=\"1.0\">\n"
  "<qresource prefix=\"/\">\n"
  "${_tavlo_qrc_entries}"
  "${_tavlo_qrc_root_entries}"
  "</qresource>\n"
  "</RCC>\n")
configure_file(${_tavlo_drawable_qrc}.in ${_tavlo_drawable_qrc} COPYONLY)

add_custom_command(
  OUTPUT ${_tavlo_drawable_cpp}
  COMMAND Qt5::rcc --name tavlo_drawables --output ${_tavlo_drawable_cpp} ${_tavlo_drawable_qrc}
  DEPENDS ${_tavlo_drawable_qrc} ${_tavlo_drawable_pngs}
  COMMENT "Compiling drawable resources"
  VERBATIM)

# The rendering and rcc rules live in this one target only, so a parallel build never
# runs them twice. Its object file is linked straight into the library (not through a
# static archive, which would drop the resource's static initializer); referencing its
# objects makes the library depend on it.
add_library(tavlo_drawables OBJECT ${_tavlo_drawable_cpp} ${_tavlo_drawable_svgs})
set_source_files_properties(${_tavlo_drawable_svgs} PROPERTIES HEADER_FILE_ONLY ON)
set_target_properties(tavlo_drawables PROPERTIES
  AUTOMOC OFF
  AUTOUIC OFF
  AUTORCC OFF
  POSITION_INDEPENDENT_CODE ON)
target_link_libraries(tavlo_drawables PRIVATE Qt5::Core)

set(TAVLO_RESOURCES $<TARGET_OBJECTS:tavlo_drawables>)

unset(_entry)
unset(_name)
unset(_size)
unset(_svg)
unset(_png)
