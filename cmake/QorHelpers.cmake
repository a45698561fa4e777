# qor_add_gresource(<target> PREFIX <prefix> FILES <alias=path>... [DEPENDS ...])
# Compiles the given files into a GResource bundle linked as a static
# library. Each entry is "alias=absolute-path"; the file is reachable at
# <prefix>/<alias>. The bundle registers itself at start-up (constructor).
function(qor_add_gresource target)
  cmake_parse_arguments(ARG "" "PREFIX" "FILES;DEPENDS" ${ARGN})
  set(xml "${CMAKE_CURRENT_BINARY_DIR}/${target}.gresource.xml")
  set(content "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gresources>\n  <gresource prefix=\"${ARG_PREFIX}\">\n")
  set(deps "")
  foreach(entry ${ARG_FILES})
    string(FIND "${entry}" "=" eq)
    string(SUBSTRING "${entry}" 0 ${eq} alias)
    math(EXPR start "${eq} + 1")
    string(SUBSTRING "${entry}" ${start} -1 path)
    string(APPEND content "    <file alias=\"${alias}\">${path}</file>\n")
    list(APPEND deps "${path}")
  endforeach()
  string(APPEND content "  </gresource>\n</gresources>\n")
  file(GENERATE OUTPUT "${xml}" CONTENT "${content}")
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}.gresource.c")
  string(MAKE_C_IDENTIFIER "${target}" cname)
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${GLIB_COMPILE_RESOURCES} --generate-source --c-name "${cname}"
            --target "${out}" --sourcedir / "${xml}"
    DEPENDS "${xml}" ${deps} ${ARG_DEPENDS}
    VERBATIM)
  # The generated source registers the bundle from a constructor, so the
  # linker must keep its object although nothing references it.
  add_library(${target}_objects STATIC "${out}")
  target_link_libraries(${target}_objects PUBLIC PkgConfig::GLIB)
  add_library(${target} INTERFACE)
  target_link_libraries(${target} INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${target}_objects>")
endfunction()

# qor_library(<name> SOURCES ... LIBS ... [PRIVATE_LIBS ...])
# A static library rooted at the repository top for includes. LIBS are what
# its headers expose to its users; PRIVATE_LIBS only its own sources use
# (for a static library they still reach the final link, but their include
# folders and definitions stay inside). While a library has no sources yet
# it is an interface target, so that the targets that name it already
# configure.
function(qor_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
  if(ARG_SOURCES)
    add_library(${name} STATIC ${ARG_SOURCES})
    set(kw PUBLIC)
    if(ARG_PRIVATE_LIBS)
      target_link_libraries(${name} PRIVATE ${ARG_PRIVATE_LIBS})
    endif()
  else()
    add_library(${name} INTERFACE)
    set(kw INTERFACE)
    list(APPEND ARG_LIBS ${ARG_PRIVATE_LIBS})
  endif()
  target_include_directories(${name} ${kw} ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} ${kw} ${ARG_LIBS})
endfunction()

# qor_add_fuzz_target(<name> SOURCES ... LIBS ...)
# With clang a libFuzzer executable. With any other compiler the same entry
# point with the plain driver (tests/fuzz/FuzzDriver.cpp), run as a test
# over the seed corpus tests/fuzz/seeds/, so that no target can rot.
function(qor_add_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  else()
    add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/tests/fuzz/FuzzDriver.cpp)
    add_test(NAME fuzz.${name} COMMAND ${name} ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds)
    set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 120 LABELS fuzz)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
endfunction()
