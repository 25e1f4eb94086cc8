# Fails when a folder includes one of a layer above it, or a neighbour of
# its own layer: data/ at the bottom, kit/ above it, records/ and
# simulator/ side by side above that, app/ on top. tools/ builds on data/.
#   cmake -DROOT=<source dir> -P layers.cmake
set(rank_data 0)
set(rank_tools 1)
set(rank_kit 1)
set(rank_records 2)
set(rank_simulator 2)
set(rank_app 3)
set(folders data kit records simulator app tools)

set(broken "")
foreach(folder ${folders})
  file(GLOB_RECURSE sources "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
  foreach(source ${sources})
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[a-z]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[^\"]*\"([a-z]+)/.*$" "\\1" target "${line}")
      if(target STREQUAL folder OR NOT DEFINED rank_${target})
        continue()
      endif()
      if(NOT rank_${target} LESS rank_${folder} OR (folder STREQUAL "tools" AND NOT target STREQUAL "data"))
        file(RELATIVE_PATH shown "${ROOT}" "${source}")
        string(APPEND broken "  ${shown} includes ${target}/\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(broken)
  message(FATAL_ERROR "Includes against the layers (data < kit < records, simulator < app):\n${broken}")
endif()
message(STATUS "Layers hold: data < kit < records, simulator < app; tools on data.")
