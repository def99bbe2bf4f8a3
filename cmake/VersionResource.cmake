# cw32_version_resource(TARGET FILE_NAME DESCRIPTION): a VERSIONINFO resource in a Windows
# module, made from the project's version, so that Explorer and the installer service's
# file-version query report the same number as `cw32 --version` and the packages.
enable_language(RC)

function(cw32_version_resource target file_name description)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(CW32_RC_FILETYPE VFT_APP)
  else()
    set(CW32_RC_FILETYPE VFT_DLL)
  endif()
  # FILEVERSION takes four numbers; parts the project's version leaves out count as 0.
  set(CW32_RC_NUMBERS "")
  foreach(part MAJOR MINOR PATCH TWEAK)
    if("${PROJECT_VERSION_${part}}" STREQUAL "")
      list(APPEND CW32_RC_NUMBERS 0)
    else()
      list(APPEND CW32_RC_NUMBERS ${PROJECT_VERSION_${part}})
    endif()
  endforeach()
  list(JOIN CW32_RC_NUMBERS "," CW32_RC_NUMBERS)
  set(CW32_RC_FILE_NAME ${file_name})
  set(CW32_RC_DESCRIPTION ${description})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
endfunction()
