# Installation as a desktop application (`cmake --install`, `make install`) and the Debian package
# (`make package`). Included after every folder, so that the programs are known.
include(GNUInstallDirs)

# The game finds its data relative to its own folder, so that an installed tree can be moved; the
# build tells it the way from the programs' folder to the data folder.
set(RINKFALL_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/rinkfall)
file(RELATIVE_PATH rinkfall_data_from_program
  /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${RINKFALL_DATA_INSTALL_DIR})
set_source_files_properties(${PROJECT_SOURCE_DIR}/platform/data_folder.cpp
  DIRECTORY ${PROJECT_SOURCE_DIR}/platform
  PROPERTIES COMPILE_DEFINITIONS "RINKFALL_DATA_FROM_PROGRAM=\"${rinkfall_data_from_program}\"")

# The programs a player runs: the game, and the game service when the build has it.
foreach(program rinkfall rinkfall-server)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # Every library they link is the system's: no search path of their own in the installed files.
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "")
  endif()
endforeach()

# Every folder the build generates beside the programs (Library/, Sound/, ...) is game data. The
# folders are looked for when installing, so that each generator needs no rule of its own here.
install(CODE "
  file(GLOB rinkfall_data_folders LIST_DIRECTORIES true \"${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/*\")
  list(FILTER rinkfall_data_folders EXCLUDE REGEX \"/\\\\.[^/]*$\")
  foreach(folder IN LISTS rinkfall_data_folders)
    if(IS_DIRECTORY \"\${folder}\")
      file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${RINKFALL_DATA_INSTALL_DIR}\"
        TYPE DIRECTORY FILES \"\${folder}\")
    endif()
  endforeach()
")

if(TARGET rinkfall_icon_files)
  install(DIRECTORY ${RINKFALL_ICON_DIR}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

configure_file(${PROJECT_SOURCE_DIR}/desktop/rinkfall.desktop.in
  ${CMAKE_BINARY_DIR}/desktop/${RINKFALL_APP_ID}.desktop @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/desktop/rinkfall.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/desktop/${RINKFALL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/desktop/${RINKFALL_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/desktop/${RINKFALL_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The Debian package: `cpack -G DEB` in a Release build (`make package`).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rinkfall)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Code:Rinkfall developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Code:Rinkfall, a curling game on a 3D sheet")
# The long description below the summary line; CPack indents it as a control file wants.
set(CPACK_PACKAGE_DESCRIPTION "Throw, curl and sweep curling stones alone, against the computer or with a
second player at one keyboard, or meet others in the online lobby. The
reference game service for the lobby, rinkfall-server, comes with it.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Code:Rinkfall developers <rinkfall@example.org>")
# The libraries the programs link come from dpkg-shlibdeps; what they only open while running
# (the OpenGL driver, Japanese fonts, Qt's own Japanese texts) is recommended.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri, fonts-ipafont-gothic, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
