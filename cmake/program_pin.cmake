# The 32-bit program starts only the Linkwright64.exe built with it: the
# Authenticode image hash of that program is written into a source file by
# lw-pin-source, a tool built for this machine from the signing code.
find_program(LW_HOST_CXX NAMES c++ g++ REQUIRED)
set(LW_PIN_TOOL ${CMAKE_BINARY_DIR}/host/lw-pin-source)
set(LW_PIN_TOOL_SOURCES tools/pin_source.cpp signing/pe_image_hash.cpp signing/digest.cpp
                        signing/sha1.cpp signing/sha256.cpp)
list(TRANSFORM LW_PIN_TOOL_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
file(GLOB LW_PIN_TOOL_HEADERS ${CMAKE_SOURCE_DIR}/signing/*.h)
add_custom_command(OUTPUT ${LW_PIN_TOOL}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
  COMMAND ${LW_HOST_CXX} -std=c++17 -O2 -I${CMAKE_SOURCE_DIR} ${LW_PIN_TOOL_SOURCES}
          -o ${LW_PIN_TOOL}
  DEPENDS ${LW_PIN_TOOL_SOURCES} ${LW_PIN_TOOL_HEADERS}
  COMMENT "Building lw-pin-source for this machine")
add_custom_target(lw_pin_tool DEPENDS ${LW_PIN_TOOL})

# lw_pin_program(TARGET PROGRAM [PROGRAM_TARGET]): TARGET's kProgram64Pin
# is PROGRAM's image hash. PROGRAM is hashed at every build, so a rebuilt
# one is pinned anew and one that is missing says so; PROGRAM_TARGET, when
# this build makes it, is built first.
function(lw_pin_program target program)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_pin.cpp)
  add_custom_target(${target}_pin
    COMMAND ${LW_PIN_TOOL} ${program} ${source}.new
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source}.new ${source}
    BYPRODUCTS ${source}
    DEPENDS lw_pin_tool ${LW_PIN_TOOL}
    VERBATIM)
  if(ARGN)
    add_dependencies(${target}_pin ${ARGN})
  endif()
  target_sources(${target} PRIVATE ${source})
  add_dependencies(${target} ${target}_pin)
endfunction()
