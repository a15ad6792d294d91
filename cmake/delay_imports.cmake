# lw_delay_imports(TARGET LIBRARY...): TARGET imports the functions of each
# system LIBRARY (user32, ...) delayed, so that before WinMain restricts
# the DLL search only kernel32 and the C runtime are loaded; TARGET gets the
# hook that later loads them from the system folder
# (platform/win32/delay_load_hook.cpp). Each delay-import library takes the
# ordinary one's name in a folder searched first, by TARGET alone: the
# libraries GCC adds to every link (advapi32, shell32, user32) are replaced
# too.
function(lw_delay_imports target)
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/${target}_delay_imports)
  set(script ${CMAKE_SOURCE_DIR}/cmake/delay-import-lib.sh)
  set(underscore)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(underscore _)
  endif()
  set(libraries)
  foreach(name ${ARGN})
    find_library(LW_IMPORT_LIBRARY_${name} ${name} REQUIRED)
    set(library ${folder}/lib${name}.a)
    add_custom_command(OUTPUT ${library}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND sh ${script} ${CMAKE_NM} ${CMAKE_DLLTOOL} ${CMAKE_OBJCOPY}
              ${LW_IMPORT_LIBRARY_${name}} ${library} ${underscore}
      DEPENDS ${script} ${LW_IMPORT_LIBRARY_${name}}
      VERBATIM)
    list(APPEND libraries ${library})
  endforeach()
  add_custom_target(${target}_delay_imports DEPENDS ${libraries})
  add_dependencies(${target} ${target}_delay_imports)
  target_link_directories(${target} BEFORE PRIVATE ${folder})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${libraries})
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/platform/win32/delay_load_hook.cpp)
endfunction()
