# The program's pictures, made on the build host for every build:
#  - one logo per brand of BRANDS, bitmap resource LOGO<BRAND>: the file
#    src/app/res/brands/<Brand>.bmp as it is, or drawn from <Brand>.mvg;
#  - the welcome splash's four JPEG pictures, data resources
#    TWELCOMEFORM_IMG01..04, drawn from src/app/res/welcome/img01..04.mvg.
# They land in ${RES_DIR} as NAME.bmp / NAME.jpg (NAME: the resource name),
# read by setup-sim and the unit tests. LOGO_RC_<Brand> and SPLASH_RC hold
# the .rc lines that put the same files into a brand's Windows program: each
# carries LOGOVELMAR (the main window loads it) and its own logo; only the
# maker's brand (MAKER_BRAND, the one that shows the splash) carries the
# splash's pictures.
find_program(CONVERT_EXECUTABLE convert REQUIRED)

set(BRANDS Velmar Pellacor)
set(MAKER_BRAND Pellacor)
add_compile_definitions(MAKER_BRAND="${MAKER_BRAND}")
set(RES_DIR ${CMAKE_BINARY_DIR}/generated/res)
file(MAKE_DIRECTORY ${RES_DIR})
set(PICTURES)
set(SPLASH_RC "")

foreach(brand ${BRANDS})
  string(TOUPPER "LOGO${brand}" name)
  set(src ${CMAKE_SOURCE_DIR}/src/app/res/brands/${brand})
  set(out ${RES_DIR}/${name}.bmp)
  if(EXISTS ${src}.bmp)
    add_custom_command(OUTPUT ${out} COMMAND ${CMAKE_COMMAND} -E copy ${src}.bmp ${out}
                       DEPENDS ${src}.bmp VERBATIM)
  elseif(EXISTS ${src}.mvg)
    # BMP3: the plain 40-byte header every Windows reads.
    add_custom_command(OUTPUT ${out}
                       COMMAND ${CONVERT_EXECUTABLE} mvg:${src}.mvg -type TrueColor BMP3:${out}
                       DEPENDS ${src}.mvg COMMENT "drawing the ${brand} logo" VERBATIM)
  else()
    message(FATAL_ERROR "brand ${brand} has no logo: src/app/res/brands/${brand}.bmp or .mvg")
  endif()
  list(APPEND PICTURES ${out})
  set(LOGO_RC_${brand} "${name} BITMAP \"${out}\"\n")
endforeach()

foreach(i 01 02 03 04)
  set(name TWELCOMEFORM_IMG${i})
  set(src ${CMAKE_SOURCE_DIR}/src/app/res/welcome/img${i}.mvg)
  set(out ${RES_DIR}/${name}.jpg)
  # Baseline, 4:2:0, no metadata: small and the same on every build.
  add_custom_command(OUTPUT ${out}
                     COMMAND ${CONVERT_EXECUTABLE} mvg:${src} -strip -interlace none -quality 85
                             -sampling-factor 2x2 ${out}
                     DEPENDS ${src} COMMENT "drawing welcome picture ${i}" VERBATIM)
  list(APPEND PICTURES ${out})
  string(APPEND SPLASH_RC "${name} RCDATA \"${out}\"\n")
endforeach()


# The icon, the model list's printer and the button glyphs, from the
# editable sources in src/app/res/art (SVG and ImageMagick draw scripts),
# made with ImageMagick and icoutils.
set(ART_DIR ${CMAKE_SOURCE_DIR}/src/app/res/art)
set(PICTURE_DIR ${CMAKE_BINARY_DIR}/generated/pictures)
file(MAKE_DIRECTORY ${PICTURE_DIR})

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

foreach(brand ${BRAND} ${BRAND_VARIANTS})
  if(NOT brand IN_LIST BRANDS)
    message(FATAL_ERROR "unknown brand '${brand}' (known: ${BRANDS}; see docs/brands.md)")
  endif()
endforeach()
