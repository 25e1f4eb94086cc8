# Fails when a folder includes one of a layer above it, or a neighbour of
# its own layer:
#   data/ at the bottom; kit/ and binding/ above it; records/ and
#   simulator/ side by side above those; app/ on top. tools/ builds on
#   data/ only.
# The rooms of data/ follow the same rule among themselves:
#   data/ (the seam) < data/setting/ < data/sqlite/, data/postgres/ (the
#   engines) < data/database/ (the one factory) < data/rows/, data/sample/
# and the engines' rooms are reached through data/database/ only: nothing
# else includes data/sqlite/ or data/postgres/ (tests and benchmarks, beside
# the layers, may).
#   cmake -DROOT=<source dir> -P layers.cmake
cmake_minimum_required(VERSION 3.25)
set(rank_data 0)
set(rank_tools 1)
set(rank_kit 1)
set(rank_binding 1)
set(rank_records 2)
set(rank_simulator 2)
set(rank_app 3)
set(folders data kit binding records simulator app tools)

set(room_data 0)
set(room_data/setting 1)
set(room_data/sqlite 2)
set(room_data/postgres 2)
set(room_data/database 3)
set(room_data/rows 4)
set(room_data/sample 4)
set(engine_rooms data/sqlite data/postgres)

# The room a path inside the tree belongs to: its top folder, or for data/
# its sub-folder ("data/sqlite"), "data" itself for the seam's own files.
function(room_of path out)
  if(path MATCHES "^data/([a-z]+)/")
    set(${out} "data/${CMAKE_MATCH_1}" PARENT_SCOPE)
  else()
    string(REGEX REPLACE "^([a-z]+)/.*$" "\\1" top "${path}")
    set(${out} "${top}" PARENT_SCOPE)
  endif()
endfunction()

set(broken "")
foreach(folder ${folders})
  file(GLOB_RECURSE sources "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
  foreach(source ${sources})
    file(RELATIVE_PATH shown "${ROOT}" "${source}")
    room_of("${shown}" from)
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[a-z]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" included "${line}")
      string(REGEX REPLACE "^([a-z]+)/.*$" "\\1" target "${included}")
      if(NOT DEFINED rank_${target})
        continue()
      endif()
      room_of("${included}" to)
      if(NOT target STREQUAL folder)
        if(NOT rank_${target} LESS rank_${folder} OR (folder STREQUAL "tools" AND NOT target STREQUAL "data"))
          string(APPEND broken "  ${shown} includes ${target}/\n")
        endif()
      elseif(folder STREQUAL "data" AND NOT to STREQUAL from AND NOT room_${to} LESS room_${from})
        string(APPEND broken "  ${shown} includes ${to}/\n")
      endif()
      if(to IN_LIST engine_rooms AND NOT to STREQUAL from AND NOT from STREQUAL "data/database")
        string(APPEND broken "  ${shown} includes ${to}/, an engine's room reached through data/database/ only\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(broken)
  message(FATAL_ERROR "Includes against the layers (data < kit, binding < records, simulator < app; "
                      "inside data: seam < setting < sqlite, postgres < database < rows, sample):\n${broken}")
endif()
message(STATUS "Layers hold: data < kit, binding < records, simulator < app; tools on data; "
               "inside data: seam < setting < sqlite, postgres < database < rows, sample.")
