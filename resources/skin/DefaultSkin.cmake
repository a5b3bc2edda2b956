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

# Sets SKINC_VAR to the skinc to run and DEPENDS_VAR to what running it needs.
function(glint_find_skinc skinc_var depends_var)
  if(NOT GLINT_WIN32)
    set(${skinc_var} $<TARGET_FILE:skinc> PARENT_SCOPE)
    set(${depends_var} skinc PARENT_SCOPE)
  elseif(GLINT_HOST_SKINC)
    set(${skinc_var} ${GLINT_HOST_SKINC} PARENT_SCOPE)
    set(${depends_var} ${GLINT_HOST_SKINC} PARENT_SCOPE)
  else()
    set(host ${CMAKE_BINARY_DIR}/host-tools)
    if(NOT TARGET glint_host_skinc)
      include(ExternalProject)
      ExternalProject_Add(glint_host_skinc
        SOURCE_DIR ${CMAKE_SOURCE_DIR}
        BINARY_DIR ${host}
        CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
        BUILD_COMMAND ${CMAKE_COMMAND} --build ${host} --target skinc
        BUILD_BYPRODUCTS ${host}/tools/skinc/skinc
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON)
    endif()
    set(${skinc_var} ${host}/tools/skinc/skinc PARENT_SCOPE)
    set(${depends_var} glint_host_skinc ${host}/tools/skinc/skinc PARENT_SCOPE)
  endif()
endfunction()

#   glint_compile_skin(TARGET DIR FILE ART JSON WHAT VAR)   the script ART (in
#   resources/skin) draws the pictures into ${CMAKE_BINARY_DIR}/DIR and skinc
#   compiles JSON into DIR/FILE; defines TARGET (once) and sets VAR to the file.
function(glint_compile_skin target dir file art json what out_var)
  set(dir ${CMAKE_BINARY_DIR}/${dir})
  set(skin ${dir}/${file})
  set(${out_var} ${skin} PARENT_SCOPE)
  if(TARGET ${target})
    return()
  endif()
  glint_find_skinc(skinc skinc_depends)
  set(src ${CMAKE_SOURCE_DIR}/resources/skin)
  add_custom_command(
    OUTPUT ${skin}
    COMMAND ${src}/${art} ${dir}
    COMMAND ${skinc} build ${src}/${json} ${skin} --images ${dir}
    DEPENDS ${src}/${art} ${src}/${json} ${skinc_depends}
    COMMENT "Compiling ${what}")
  add_custom_target(${target} DEPENDS ${skin})
endfunction()

function(glint_default_skin out_var)
  glint_compile_skin(glint_default_skin default-skin Glintbox.skin make-skin-art.sh skin.json "the default skin" skin)
  set(${out_var} ${skin} PARENT_SCOPE)
endfunction()
