# Writes the linker's dynamic list for the program: every dynamic symbol of
# the module MODULE (the ones it takes from the program and the inline and
# template definitions it shares with it), so that the program exports those
# and nothing else. Run as: cmake -DNM=... -DMODULE=... -DOUT=... -P ExportList.cmake
execute_process(COMMAND ${NM} -D --format=posix ${MODULE}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} cannot read ${MODULE}")
endif()
string(REPLACE "\n" ";" lines "${symbols}")
set(list "{\n")
foreach(line IN LISTS lines)
  # "name type [value size]"; a name never holds a blank. Versioned names
  # come from the system's libraries, never from the program.
  if(line MATCHES "^([^ @]+) [A-Za-z]")
    string(APPEND list "  ${CMAKE_MATCH_1};\n")
  endif()
endforeach()
string(APPEND list "};\n")
file(WRITE ${OUT}.new "${list}")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.new)
