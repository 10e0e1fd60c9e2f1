# Run by CPack after it has installed the programs into its staging folder and before it packs
# them, on Windows: windeployqt puts the Qt libraries, the plugins (platform, styles, print
# support) and the compiler's runtime beside the programs, and Qt's Russian catalogs go into
# translations/ with a qt.conf that points Qt there, so the archive runs where no Qt is installed.
# The Windows workflow packs with
#   cpack -G ZIP -D CPACK_PACKAGING_INSTALL_PREFIX= -D CPACK_PRE_BUILD_SCRIPTS=<this file>
if(NOT DEFINED CPACK_TEMPORARY_INSTALL_DIRECTORY)
  message(FATAL_ERROR "deploy-qt.cmake runs inside CPack (CPACK_PRE_BUILD_SCRIPTS)")
endif()
find_program(BELVAN_WINDEPLOYQT NAMES windeployqt windeployqt6 REQUIRED)
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.exe")
if(NOT programs)
  message(FATAL_ERROR "no programs in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(program IN LISTS programs)
  execute_process(COMMAND "${BELVAN_WINDEPLOYQT}" --release --no-translations "${program}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "windeployqt failed on ${program}: ${status}")
  endif()
endforeach()

# The programs load the catalogs qtbase_ru and qtserialport_ru by name; windeployqt would merge
# them into one qt_ru.
list(GET programs 0 first)
get_filename_component(bin "${first}" DIRECTORY)
get_filename_component(qt_bin "${BELVAN_WINDEPLOYQT}" DIRECTORY)
foreach(catalog qtbase_ru.qm qtserialport_ru.qm)
  if(NOT EXISTS "${qt_bin}/../translations/${catalog}")
    message(FATAL_ERROR "Qt's ${catalog} is missing in ${qt_bin}/../translations")
  endif()
  file(COPY "${qt_bin}/../translations/${catalog}" DESTINATION "${bin}/translations")
endforeach()
file(WRITE "${bin}/qt.conf" "[Paths]\nPrefix = .\nTranslations = translations\n")
