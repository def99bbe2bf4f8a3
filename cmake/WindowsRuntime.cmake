# How the Windows build links the GCC runtime, and which runtime DLLs ship beside
# common-win32.dll (CW32_RUNTIME_DLLS).
#
# x86_64 unwinds through the tables that Windows itself keeps for every loaded module, so
# each module can carry a static copy of the runtime and an exception still travels from
# the DLL into the host's handler and back.
#
# i686 unwinds by DWARF frame tables, and the GCC unwinder keeps the list of registered
# tables in its own data. A module linked with a static libgcc registers its frames with
# its private copy only: an exception thrown in common-win32.dll (OpenKey's long 5, a
# CFileException*) or thrown by the host through it (a Write that throws inside
# LogMessage) meets frames that this copy does not know, finds no handler, and
# std::terminate ends the host. Every module of a 32-bit process must therefore use the
# one shared unwinder, libgcc_s_dw2-1.dll (which needs libwinpthread-1.dll). The C++
# library stays static, as on x86_64.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  # -static with -shared still makes a DLL; only the system's import libraries stay dynamic.
  add_link_options(-static)
  set(CW32_RUNTIME_DLLS "")
else()
  set(CW32_SHARED_UNWINDER_FLAGS -static-libstdc++ -shared-libgcc)
  add_link_options(${CW32_SHARED_UNWINDER_FLAGS})
  set(CW32_RUNTIME_DLLS "")
  foreach(dll libgcc_s_dw2-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
      message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${dll}: the 32-bit build needs its shared unwinder")
    endif()
    get_filename_component(path "${path}" REALPATH)
    list(APPEND CW32_RUNTIME_DLLS "${path}")
  endforeach()
  # The build's programs run from the one output folder, where Windows looks for DLLs first.
  file(COPY ${CW32_RUNTIME_DLLS} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endif()
