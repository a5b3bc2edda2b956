# The default skin: make-skin-art.sh draws its pictures and skinc compiles
# skin.json into ${CMAKE_BINARY_DIR}/default-skin/Glintbox.skin, at build time.
#
#   glint_default_skin(VAR)   defines target glint_default_skin (once) and sets
#                             VAR to the compiled file
#
# skinc runs on the build machine: the native build uses its own; the Win32
# cross build uses GLINT_HOST_SKINC when it names one (the native build's
# tools/skinc/skinc), else it builds the tool for the host beside itself.
include_guard(GLOBAL)

set(GLINT_HOST_SKINC "" CACHE FILEPATH "skinc built for the build machine (Win32 cross build)")

function(glint_default_skin out_var)
  set(dir ${CMAKE_BINARY_DIR}/default-skin)
  set(skin ${dir}/Glintbox.skin)
  set(${out_var} ${skin} PARENT_SCOPE)
  if(TARGET glint_default_skin)
    return()
  endif()

  set(src ${CMAKE_SOURCE_DIR}/resources/skin)
  if(NOT GLINT_WIN32)
    set(skinc $<TARGET_FILE:skinc>)
    set(skinc_depends skinc)
  elseif(GLINT_HOST_SKINC)
    set(skinc ${GLINT_HOST_SKINC})
    set(skinc_depends ${GLINT_HOST_SKINC})
  else()
    include(ExternalProject)
    set(host ${CMAKE_BINARY_DIR}/host-tools)
    ExternalProject_Add(glint_host_skinc
      SOURCE_DIR ${CMAKE_SOURCE_DIR}
      BINARY_DIR ${host}
      CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
      BUILD_COMMAND ${CMAKE_COMMAND} --build ${host} --target skinc
      BUILD_BYPRODUCTS ${host}/tools/skinc/skinc
      INSTALL_COMMAND ""
      BUILD_ALWAYS ON)
    set(skinc ${host}/tools/skinc/skinc)
    set(skinc_depends glint_host_skinc ${host}/tools/skinc/skinc)
  endif()

  add_custom_command(
    OUTPUT ${skin}
    COMMAND ${src}/make-skin-art.sh ${dir}
    COMMAND ${skinc} build ${src}/skin.json ${skin} --images ${dir}
    DEPENDS ${src}/make-skin-art.sh ${src}/skin.json ${skinc_depends}
    COMMENT "Compiling the default skin")
  add_custom_target(glint_default_skin DEPENDS ${skin})
endfunction()
