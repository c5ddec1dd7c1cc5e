# The program's pictures, made at build time from the editable sources in
# src/app/res/art (SVG and ImageMagick draw scripts) with ImageMagick and
# icoutils: the icon, the model list's printer and the button glyphs.
set(ART_DIR ${CMAKE_SOURCE_DIR}/src/app/res/art)
set(PICTURE_DIR ${CMAKE_BINARY_DIR}/generated/pictures)
file(MAKE_DIRECTORY ${PICTURE_DIR})
set(PICTURES)

function(picture out kind)
  set(deps ${ART_DIR}/render.sh)
  set(args)
  foreach(spec ${ARGN})
    string(REGEX REPLACE "@.*" "" src ${spec})
    list(APPEND deps ${ART_DIR}/${src})
    list(APPEND args ${ART_DIR}/${spec})
  endforeach()
  add_custom_command(OUTPUT ${PICTURE_DIR}/${out}
    COMMAND ${ART_DIR}/render.sh ${kind} ${PICTURE_DIR}/${out} ${args}
    DEPENDS ${deps}
    COMMENT "drawing ${out}" VERBATIM)
  set(PICTURES ${PICTURES} ${PICTURE_DIR}/${out} PARENT_SCOPE)
endfunction()

picture(app.ico icon app-16.mvg@16 app.svg@32 app.svg@48)
picture(printer.ico icon printer.svg@32)
foreach(glyph ok cancel no close go)
  picture(glyph-${glyph}.bmp glyph glyph-${glyph}.svg)
endforeach()
add_custom_target(pictures DEPENDS ${PICTURES})
