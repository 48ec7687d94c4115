# The Windows folder, flat as a Windows program unpacks: velkor.exe (a GUI
# program) and velkor-tools.exe (a console one), each with its icon, version
# and manifest; the DLLs they load; the stand-in set in standin\; README and
# the licences of everything shipped. The stand-in set and the icon's
# pictures are made by velkor-tools built for the build machine (the same
# bytes the Windows tools write). scripts/windows-package.sh zips the folder
# and makes the installer.
set(VELKOR_NATIVE_TOOLS "" CACHE FILEPATH "velkor-tools built for the build machine")
set(VELKOR_WINDOWS_RUNTIME "" CACHE STRING "The DLLs the programs load, shipped beside them")
set(VELKOR_WINDOWS_LICENCES "" CACHE PATH "The shipped libraries' licences, one file each")
if(NOT EXISTS "${VELKOR_NATIVE_TOOLS}")
  message(FATAL_ERROR "VELKOR_NATIVE_TOOLS: the build machine's velkor-tools is needed for the icon and stand-in set")
endif()
find_program(ICOTOOL icotool REQUIRED)

set(win ${CMAKE_CURRENT_BINARY_DIR}/windows)
set(standin ${win}/standin)
add_custom_command(OUTPUT ${standin}/.complete
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${standin}
  COMMAND ${VELKOR_NATIVE_TOOLS} make-data ${standin}
  COMMAND ${CMAKE_COMMAND} -E touch ${standin}/.complete
  COMMENT "Making the stand-in data set to ship"
  VERBATIM)
# Explorer's sizes: 16 to 48 for lists, 256 for large icons (stored as PNG).
set(pictures)
foreach(size 16 32 48 64 256)
  set(picture ${win}/icon-${size}.png)
  add_custom_command(OUTPUT ${picture}
    COMMAND ${VELKOR_NATIVE_TOOLS} icon --data ${standin} --out ${picture} --size ${size}
    DEPENDS ${standin}/.complete
    COMMENT "Drawing the ${size} px icon"
    VERBATIM)
  list(APPEND pictures ${picture})
endforeach()
set(ico ${win}/velkor.ico)
add_custom_command(OUTPUT ${ico}
  COMMAND ${ICOTOOL} -c -o ${ico} --raw=${win}/icon-256.png ${win}/icon-16.png ${win}/icon-32.png
          ${win}/icon-48.png ${win}/icon-64.png
  DEPENDS ${pictures}
  COMMENT "Making velkor.ico"
  VERBATIM)
add_custom_target(velkor_windows_data ALL DEPENDS ${standin}/.complete ${ico})

# velkor_windows_resources(TARGET FILE DESCRIPTION): the icon, version and manifest of TARGET.
string(REPLACE "." "," VELKOR_VERSION_COMMAS "${PROJECT_VERSION},0")
set(VELKOR_VERSION_QUAD "${PROJECT_VERSION}.0")
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/windows/velkor.manifest ${win}/velkor.manifest @ONLY)
function(velkor_windows_resources target file description)
  set(VELKOR_RC_FILE ${file})
  set(VELKOR_RC_NAME ${target})
  set(VELKOR_RC_DESCRIPTION ${description})
  set(VELKOR_RC_ICON "1 ICON \"${ico}\"")
  set(VELKOR_MANIFEST ${win}/velkor.manifest)
  set(rc ${win}/${target}.rc)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/windows/program.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${ico};${win}/velkor.manifest")
  target_sources(${target} PRIVATE ${rc})
  add_dependencies(${target} velkor_windows_data)
endfunction()

velkor_windows_resources(velkor_show velkor.exe "velkor, the show")
set_target_properties(velkor_show PROPERTIES WIN32_EXECUTABLE ON)
install(TARGETS velkor_show RUNTIME DESTINATION .)
if(VELKOR_BUILD_TOOLS)
  velkor_windows_resources(velkor-tools velkor-tools.exe "velkor-tools: stand-in data, offline renderer, inspector")
  install(TARGETS velkor-tools RUNTIME DESTINATION .)
endif()
install(FILES ${VELKOR_WINDOWS_RUNTIME} DESTINATION .)
install(DIRECTORY ${standin}/ DESTINATION standin PATTERN .complete EXCLUDE)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION licences RENAME velkor.txt)
if(VELKOR_WINDOWS_LICENCES)
  install(DIRECTORY ${VELKOR_WINDOWS_LICENCES}/ DESTINATION licences)
endif()
