# The screen saver's resource script (skyloom.rc) with the icon that tools/icongen draws at build
# time. Include this file, then call skyloom_add_saver_resources(target) for the program.
set(SKYLOOM_APP_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})

function(skyloom_add_saver_resources target)
  if(NOT WIN32)
    return()
  endif()
  set(dir ${SKYLOOM_APP_RESOURCE_DIR})
  set(generated ${CMAKE_BINARY_DIR}/generated)
  set(icon ${generated}/skyloom.ico)
  if(NOT TARGET skyloom_icon)
    add_custom_command(OUTPUT ${icon}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}
      COMMAND ${SKYLOOM_ICONGEN} ${icon}
      DEPENDS ${SKYLOOM_ICONGEN_DEPENDS}
      COMMENT "Drawing the program icon")
    add_custom_target(skyloom_icon DEPENDS ${icon})
  endif()
  target_sources(${target} PRIVATE ${dir}/skyloom.rc)
  # windres looks for the files that the script names (icon, manifest) in its include folders.
  set_source_files_properties(${dir}/skyloom.rc PROPERTIES
    INCLUDE_DIRECTORIES "${generated};${dir}"
    OBJECT_DEPENDS "${icon};${dir}/skyloom.manifest;${dir}/resource.h;${dir}/saver_error_list.inc")
  add_dependencies(${target} skyloom_icon)
endfunction()
