# Installing Cantora as a desktop program (`make install`, `make uninstall`)
# and its Debian package (`make package`, through CPack). Paths follow the GNU
# install directories, relative to the prefix; the build tree has the same
# layout (see cantora.cmake), so the installed programs find their catalogue
# and drivers as the built ones do.

# The project's public addresses and AppStream id: placeholders under the
# reserved .invalid domain until the project has an address of its own.
set(CANTORA_APP_ID "invalid.cantora.Cantora" CACHE STRING "AppStream component id")
set(CANTORA_HOMEPAGE "https://cantora.invalid/" CACHE STRING "The project's home page")
set(CANTORA_SCREENSHOT_URL "https://cantora.invalid/docs/cantora-window.png" CACHE STRING
    "Where software centres fetch the screenshot (docs/cantora-window.png)")
set(CANTORA_MAINTAINER "The Cantora developers <maintainers@cantora.invalid>" CACHE STRING
    "The Debian package's maintainer")

set(CANTORA_MAN_CATALOGUE ${CMAKE_INSTALL_FULL_DATADIR}/cantora/drivers.ini)
set(CANTORA_MAN_DRIVER_DIR ${CMAKE_INSTALL_PREFIX}/${CANTORA_DRIVER_DIR})

# Programs; cantora-demo is a build-tree tool and stays there.
foreach(program cantora cantora-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
# The drivers install themselves (cantora_add_driver); the catalogue is the one
# the build wrote, its class paths relative to its folder.
if(DEFINED CANTORA_CATALOGUE_FILE)
  install(FILES ${CANTORA_CATALOGUE_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/cantora)
endif()

set(data ${PROJECT_SOURCE_DIR}/data)
set(generated ${CMAKE_BINARY_DIR}/generated/data)
configure_file(${data}/cantora.metainfo.xml.in ${generated}/${CANTORA_APP_ID}.metainfo.xml @ONLY)
foreach(page cantora cantora-cli)
  configure_file(${data}/man/${page}.1.in ${generated}/${page}.1 @ONLY)
  install(FILES ${generated}/${page}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${data}/cantora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${generated}/${CANTORA_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The PNGs are rendered from the SVG and kept in the repository, so that the
# build needs no SVG renderer:
#   rsvg-convert -w N -h N data/icons/cantora.svg -o data/icons/cantora-N.png
set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${data}/icons/cantora.svg DESTINATION ${icons}/scalable/apps)
foreach(size 48 256)
  install(FILES ${data}/icons/cantora-${size}.png DESTINATION ${icons}/${size}x${size}/apps
          RENAME cantora.png)
endforeach()

# `make uninstall`: removes what the last install from this build tree wrote
# (install_manifest.txt) and the folders that are Cantora's alone.
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
          -P ${PROJECT_SOURCE_DIR}/cmake/uninstall.cmake
  COMMENT "Removing the installed files")

# The Debian package. Its Depends come from the binaries (dpkg-shlibdeps), so
# they name the runtime packages of the libraries the build linked.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cantora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Cantora developers")
set(CPACK_PACKAGE_CONTACT ${CANTORA_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pitch-correction editor for recorded voices")
set(CPACK_PACKAGE_DESCRIPTION
    "Cantora opens a recording (WAV or MP3), shows its waveform, plays, loops and\n"
    "records through JACK, PipeWire's JACK interface or a built-in virtual audio\n"
    "device, reads out the note a selected phrase is sung at and corrects its\n"
    "pitch toward the notes you choose, with undo. cantora-cli does the same\n"
    "work in batch.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${CANTORA_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without it a PipeWire desktop has no JACK server to play through; jackd2 or
# pipewire-jack can serve.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "jackd2 | pipewire-jack")
set(CPACK_STRIP_FILES ON)
include(CPack)
