# The Slate skin, our second skin and the example for skin authors:
# make-slate-art.sh draws its pictures and skinc compiles slate.json into
# ${CMAKE_BINARY_DIR}/slate-skin/Slate.skin, at build time.
#
#   glint_slate_skin(VAR)   defines target glint_slate_skin (once) and sets VAR
#                           to the compiled file
#
# skinc is found the way the default skin finds it (DefaultSkin.cmake); that
# file also builds the host tool for a cross build that was given none.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/DefaultSkin.cmake)

function(glint_slate_skin out_var)
  set(dir ${CMAKE_BINARY_DIR}/slate-skin)
  set(skin ${dir}/Slate.skin)
  set(${out_var} ${skin} PARENT_SCOPE)
  if(TARGET glint_slate_skin)
    return()
  endif()

  glint_default_skin(default_skin) # brings the host skinc of a cross build
  if(NOT GLINT_WIN32)
    set(skinc $<TARGET_FILE:skinc>)
    set(skinc_depends skinc)
  elseif(GLINT_HOST_SKINC)
    set(skinc ${GLINT_HOST_SKINC})
    set(skinc_depends ${GLINT_HOST_SKINC})
  else()
    set(skinc ${CMAKE_BINARY_DIR}/host-tools/tools/skinc/skinc)
    set(skinc_depends glint_host_skinc ${skinc})
  endif()

  set(src ${CMAKE_SOURCE_DIR}/resources/skin)
  add_custom_command(
    OUTPUT ${skin}
    COMMAND ${src}/make-slate-art.sh ${dir}
    COMMAND ${skinc} build ${src}/slate.json ${skin} --images ${dir}
    DEPENDS ${src}/make-slate-art.sh ${src}/slate.json ${skinc_depends}
    COMMENT "Compiling the Slate skin")
  add_custom_target(glint_slate_skin DEPENDS ${skin})
endfunction()
