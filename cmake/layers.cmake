# The layer table of src, and the check that holds the code to it: cmake -DSOURCE_DIR=src -P layers.cmake
# fails, naming each back arrow, when a folder includes a folder on its own line or one above it.
# A folder may include its own headers and those of every folder on a lower line. Lines, bottom up:
set(VESPERINE_LAYERS
  "base"                                         # CRC-32 and its algebra, the byte buffer, the formatter
  "files"                                        # the file-system interface and the write primitive
  "analysis search platform"                     # computations over a dump; the systems' file systems
  "diagnosis reads checksum dat headers formats" # the modules, each a library of its own
  "board"                                        # chip dumps to DAT sets: the DAT module with the repair and the reads' mend
  "app inspector"                                # the dialog (MainDialog, the workspace, the commands); the Inspector's model
  "panes"                                        # the dialog's two hex panes
  "cli platform/qt")                             # the two programs: vesperine-cli and the Qt window

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "layers.cmake needs -DSOURCE_DIR=<the src folder>")
endif()

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

set(rank 0)
foreach(line IN LISTS VESPERINE_LAYERS)
  string(REPLACE " " ";" folders "${line}")
  foreach(folder IN LISTS folders)
    set(rank_of_${folder} ${rank})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()

# The folder a path under src belongs to: platform/qt (with its subfolders) is one folder, every
# other first component another.
function(folder_of relative out)
  if(relative MATCHES "^platform/qt/")
    set(${out} "platform/qt" PARENT_SCOPE)
  else()
    string(REGEX REPLACE "/.*" "" first "${relative}")
    set(${out} "${first}" PARENT_SCOPE)
  endif()
endfunction()

set(arrows "")
file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
foreach(source IN LISTS sources)
  if(NOT source MATCHES "/")
    continue()  # nothing lies loose in src
  endif()
  folder_of("${source}" from)
  if(NOT DEFINED rank_of_${from})
    string(APPEND arrows "  ${source}: its folder ${from} is not in the layer table\n")
    continue()
  endif()
  get_filename_component(here "${source}" DIRECTORY)
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(include IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${include}")
    if(EXISTS "${SOURCE_DIR}/${here}/${header}")
      continue()  # beside the including file: its own folder
    elseif(EXISTS "${SOURCE_DIR}/${header}")
      folder_of("${header}" to)
    else()
      continue()  # not the project's
    endif()
    if(to STREQUAL from)
      continue()
    endif()
    if(NOT DEFINED rank_of_${to})
      string(APPEND arrows "  ${source} includes ${header}: folder ${to} is not in the layer table\n")
    elseif(NOT rank_of_${to} LESS rank_of_${from})
      string(APPEND arrows "  ${source} (${from}) includes ${header} (${to}), which is not below it\n")
    endif()
  endforeach()
endforeach()

if(arrows)
  message(FATAL_ERROR "Includes that break the layer table in cmake/layers.cmake:\n${arrows}")
endif()
list(LENGTH sources count)
message(STATUS "Layers hold: ${count} files of src include only folders below their own")
