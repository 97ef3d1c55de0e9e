# System libraries the first frame does not need are imported delay-loaded:
# each is loaded at its first call rather than at the start. The program's
# own hook (src/app/SystemDllsOnly.cpp) loads them from the system folder
# only. cmake/delay/<dll>.def lists the functions used, with the argument
# bytes of their x86 names; a function not listed there does not link.
#   vt_delay_import(<dll>) defines the library target vt_delay_<dll>.
function(vt_delay_import dll)
  set(source ${CMAKE_SOURCE_DIR}/cmake/delay/${dll}.def)
  set(def ${CMAKE_BINARY_DIR}/delay/${dll}.def)
  set(out ${CMAKE_BINARY_DIR}/delay/lib${dll}_delay.a)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  # x86 names carry their argument bytes (imported by the bare name); x64
  # names carry none.
  file(READ ${source} text)
  if(VT_ARCH STREQUAL "x64")
    string(REGEX REPLACE "@[0-9]+" "" text "${text}")
  endif()
  file(WRITE ${def} "${text}")
  execute_process(COMMAND ${VT_DLLTOOL} --kill-at --input-def ${def} --dllname ${dll}.dll
                          --output-delaylib ${out}
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dlltool could not make the delay-load library of ${dll}")
  endif()
  add_library(vt_delay_${dll} STATIC IMPORTED GLOBAL)
  set_target_properties(vt_delay_${dll} PROPERTIES IMPORTED_LOCATION ${out})
endfunction()

foreach(dll oleacc oleaut32 version wintrust bcrypt)
  vt_delay_import(${dll})
endforeach()
