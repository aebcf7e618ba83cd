# Reads the dynamic symbol table of the design library: every class the
# designer program uses is exported, and nothing of the library's own copy of
# the foundation library is.
#   cmake -DLIBRARY=<libveldrane.so> -DNM=<nm> -P exports.cmake
execute_process(COMMAND ${NM} -D --defined-only -C ${LIBRARY} OUTPUT_VARIABLE symbols
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()

set(exported CDsgMainFrame CDsgDSPFrame CDsgTSPFrame CDsgTSPage CDlgUBar CDsgEActions
             CDsgLSDAction CDsgHDAction CDsgGOption CDsgDPSettings)
foreach(class ${exported})
  string(FIND "${symbols}" " ${class}::" at)
  if(at EQUAL -1)
    message(SEND_ERROR "no member of ${class} is exported")
  endif()
endforeach()

# Members and free functions of the foundation library, by the names its
# headers declare.
string(REGEX MATCHALL "[ \n][A-Za-z]* ?(CFx[A-Za-z]+|CRevolver)::[^\n]*" foundation "${symbols}")
foreach(line ${foundation})
  message(SEND_ERROR "foundation symbol exported: ${line}")
endforeach()
foreach(name LogWrite GetModuleDir SplitStringBySeparator FxSharedValues GetKeyStyle)
  string(REGEX MATCH "[ \n]${name}\\(" hit "${symbols}")
  if(hit)
    message(SEND_ERROR "foundation function exported: ${name}")
  endif()
endforeach()
