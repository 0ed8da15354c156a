# Chooses what computes CRC-32 in the base library: ISA-L where it exists (about 25 times the byte-wise
# table), zlib's crc32 elsewhere (Windows, or any system without libisal). The rest of the project
# needs neither library.
string(TOUPPER "${VESPERINE_ISAL}" vesperine_isal_choice)
if(NOT vesperine_isal_choice MATCHES "^(AUTO|ON|OFF)$")
  message(FATAL_ERROR "VESPERINE_ISAL must be AUTO, ON or OFF, not '${VESPERINE_ISAL}'")
endif()

set(vesperine_use_isal OFF)
if(NOT vesperine_isal_choice STREQUAL "OFF")
  find_path(ISAL_INCLUDE_DIR isa-l/crc.h)
  find_library(ISAL_LIBRARY isal)
  if(ISAL_INCLUDE_DIR AND ISAL_LIBRARY)
    set(vesperine_use_isal ON)
  elseif(vesperine_isal_choice STREQUAL "ON")
    message(FATAL_ERROR "VESPERINE_ISAL is ON but ISA-L was not found (Debian: apt-get install libisal-dev)")
  endif()
endif()

if(vesperine_use_isal)
  message(STATUS "CRC-32: ISA-L (${ISAL_LIBRARY})")
  target_include_directories(vesperine_base PRIVATE ${ISAL_INCLUDE_DIR})
  target_link_libraries(vesperine_base PRIVATE ${ISAL_LIBRARY})
  target_compile_definitions(vesperine_base PRIVATE VESPERINE_HAVE_ISAL=1)
else()
  message(STATUS "CRC-32: zlib's crc32 (ISA-L not used)")
  find_package(ZLIB REQUIRED)
  target_link_libraries(vesperine_base PRIVATE ZLIB::ZLIB)
endif()
