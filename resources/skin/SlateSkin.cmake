# The Slate skin, our second skin and the example for skin authors:
# make-slate-art.sh draws its pictures and skinc compiles slate.json into
# ${CMAKE_BINARY_DIR}/slate-skin/Slate.skin, at build time.
#
#   glint_slate_skin(VAR)   defines target glint_slate_skin (once) and sets VAR
#                           to the compiled file
#
# DefaultSkin.cmake finds skinc and compiles skins.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/DefaultSkin.cmake)

function(glint_slate_skin out_var)
  glint_compile_skin(glint_slate_skin slate-skin Slate.skin make-slate-art.sh slate.json "the Slate skin" skin)
  set(${out_var} ${skin} PARENT_SCOPE)
endfunction()
