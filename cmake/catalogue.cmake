# The message catalogue: src/i18n/catalogue.txt (UTF-8) becomes the exact
# bytes of each language (ASCII, code page 936, code page 950) at build time,
# on the build host, for every build including the cross builds.
find_program(ICONV_EXECUTABLE iconv REQUIRED)
find_program(SH_EXECUTABLE sh REQUIRED)

set(CATALOGUE_SOURCE ${CMAKE_SOURCE_DIR}/src/i18n/catalogue.txt)
set(CATALOGUE_SCRIPT ${CMAKE_SOURCE_DIR}/src/i18n/gen_catalogue.sh)
set(CATALOGUE_INC ${CMAKE_BINARY_DIR}/generated/i18n/catalogue_texts.inc)

add_custom_command(
  OUTPUT ${CATALOGUE_INC}
  COMMAND ${SH_EXECUTABLE} ${CATALOGUE_SCRIPT} ${CATALOGUE_SOURCE} ${CATALOGUE_INC}
          ${ICONV_EXECUTABLE}
  DEPENDS ${CATALOGUE_SOURCE} ${CATALOGUE_SCRIPT}
  COMMENT "converting the message catalogue into its code pages"
  VERBATIM)
add_custom_target(catalogue_data DEPENDS ${CATALOGUE_INC})

set(CATALOGUE_GENERATED ${CATALOGUE_INC})
