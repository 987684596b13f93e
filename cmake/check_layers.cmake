cmake_minimum_required(VERSION 3.25)
# Fails when a source of a layer includes a header of a higher layer. The
# layers, from the bottom up: protocol; platform; formats and exchange (side by
# side, neither includes the other); renderer; bridge; app.
#   cmake -DSOURCE_DIR=<repo>/src -P check_layers.cmake
set(allowed_protocol protocol)
set(allowed_platform protocol platform)
set(allowed_formats protocol platform formats)
set(allowed_exchange protocol platform exchange)
set(allowed_renderer protocol platform formats exchange renderer)
set(allowed_bridge protocol platform formats exchange renderer bridge)
set(allowed_app protocol platform formats exchange renderer bridge app)

set(failures "")
foreach(layer protocol platform formats exchange renderer bridge app)
  file(GLOB sources ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([a-z_]+)/.*$" "\\1" target "${line}")
      # Tests may use the test tools; the product's own folders are checked.
      if(target IN_LIST allowed_app AND NOT target IN_LIST allowed_${layer})
        list(APPEND failures "${source}: ${layer} includes ${target}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "A layer includes a higher one:\n  ${text}")
endif()
