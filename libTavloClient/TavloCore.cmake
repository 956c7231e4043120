# TavloCore: everything of the client that needs no desktop. The settings
# store, logging to files, the protocols, discovery, file operations, the
# database and the services that answer devices: Qt Core, Network, Sql, and
# Gui for images only. No widgets and no X11: the command line and the device
# simulator link it alone, and the client library links it in whole.
#
# utils/ is the bottom layer, log/ sits on it, tavlo/ on both, cast/ on all
# three; none of them includes anything from ui/ (scripts/check-layers).
# Files in these folders that need a desktop (the log window) are listed in
# CMakeLists.txt with the client library instead.

set(TAVLO_DESKTOP_FILES_IN_CORE_FOLDERS
  log/LogDialog.cpp log/LogDialog.h)

file(GLOB_RECURSE TAVLO_CORE_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/utils/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/utils/*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/log/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/log/*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/tavlo/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/tavlo/*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/cast/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/cast/*.h)
foreach(desktop_file ${TAVLO_DESKTOP_FILES_IN_CORE_FOLDERS})
  list(REMOVE_ITEM TAVLO_CORE_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${desktop_file})
endforeach()
tavlo_keep_platform_sources(TAVLO_CORE_SOURCES)

# An object library: its objects go whole into the client library and into
# each program that links it, so no part of it is dropped by the linker.
add_library(TavloCore OBJECT ${TAVLO_CORE_SOURCES})
set_target_properties(TavloCore PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(TavloCore PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(TavloCore PUBLIC TAVLO_VERSION="${PROJECT_VERSION}"
  PRIVATE QT_NO_CAST_FROM_BYTEARRAY QT_NO_URL_CAST_FROM_STRING)
target_link_libraries(TavloCore PUBLIC Qt5::Core Qt5::Gui Qt5::Network Qt5::Sql)
if(WIN32)
  target_link_libraries(TavloCore PUBLIC ole32 shell32 ws2_32 iphlpapi dnsapi)
else()
  target_link_libraries(TavloCore PUBLIC PkgConfig::AVAHI)
endif()
