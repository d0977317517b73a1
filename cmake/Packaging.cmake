# Where everything is installed, and the Debian package made from that
# (scripts/package.sh builds it with CPack).

include(GNUInstallDirs)

# The package's identity. The web address is where the README and its
# screenshots are published; software centres show the pictures from there.
# Software centres know the program by this id: it must never change.
set(TAVRIN_APPSTREAM_ID "org.tavrin.tavrin")
set(TAVRIN_WEB_URL "https://tavrin.example.org" CACHE STRING "Home page of the project, without a final slash")
set(TAVRIN_MAINTAINER "Tavrin maintainers <maintainers@users.noreply.c-seed-5e4d1453.example>"
  CACHE STRING "Maintainer of the Debian package")
set(TAVRIN_LICENSE_SPDX "LicenseRef-proprietary")

set(TAVRIN_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(TAVRIN_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(TAVRIN_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tavrin)

# The changelog's newest entry must be this version; its date is the date of
# the release that the AppStream file announces.
file(STRINGS ${TAVRIN_PACKAGING_DIR}/changelog TAVRIN_CHANGELOG_HEAD LIMIT_COUNT 1)
if(NOT TAVRIN_CHANGELOG_HEAD MATCHES "^tavrin \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog starts with '${TAVRIN_CHANGELOG_HEAD}'; "
    "its newest entry must be for version ${PROJECT_VERSION}")
endif()
file(STRINGS ${TAVRIN_PACKAGING_DIR}/changelog TAVRIN_CHANGELOG_TRAILERS REGEX "^ -- ")
list(GET TAVRIN_CHANGELOG_TRAILERS 0 TAVRIN_CHANGELOG_TRAILER)
if(NOT TAVRIN_CHANGELOG_TRAILER MATCHES ", ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "packaging/changelog: no date in '${TAVRIN_CHANGELOG_TRAILER}'")
endif()
set(TAVRIN_MONTHS Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND TAVRIN_MONTHS ${CMAKE_MATCH_2} TAVRIN_MONTH_INDEX)
math(EXPR TAVRIN_MONTH "${TAVRIN_MONTH_INDEX} + 1" OUTPUT_FORMAT DECIMAL)
if(TAVRIN_MONTH LESS 10)
  set(TAVRIN_MONTH "0${TAVRIN_MONTH}")
endif()
set(TAVRIN_RELEASE_DATE "${CMAKE_MATCH_3}-${TAVRIN_MONTH}-${CMAKE_MATCH_1}")

configure_file(${TAVRIN_PACKAGING_DIR}/tavrin.metainfo.xml.in
  ${TAVRIN_GENERATED_DIR}/${TAVRIN_APPSTREAM_ID}.metainfo.xml @ONLY)

# Programs.
if(TARGET tavrin)
  install(TARGETS tavrin tavrin-cli tavrin-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
else()
  install(TARGETS tavrin-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Manual pages and the changelog, compressed as Debian keeps them. gzip -n
# leaves out the time stamp, so the same sources give the same package.
find_program(TAVRIN_GZIP gzip REQUIRED)
set(TAVRIN_MAN_PAGES tavrin-cli)
if(TARGET tavrin)
  list(APPEND TAVRIN_MAN_PAGES tavrin tavrin-render)
endif()
set(TAVRIN_COMPRESSED)
foreach(page ${TAVRIN_MAN_PAGES})
  configure_file(${TAVRIN_PACKAGING_DIR}/${page}.1 ${TAVRIN_GENERATED_DIR}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${TAVRIN_GENERATED_DIR}/man/${page}.1.gz
    COMMAND ${TAVRIN_GZIP} -9nkf ${TAVRIN_GENERATED_DIR}/man/${page}.1
    DEPENDS ${TAVRIN_GENERATED_DIR}/man/${page}.1 VERBATIM)
  list(APPEND TAVRIN_COMPRESSED ${TAVRIN_GENERATED_DIR}/man/${page}.1.gz)
  install(FILES ${TAVRIN_GENERATED_DIR}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_command(OUTPUT ${TAVRIN_GENERATED_DIR}/changelog.gz
  COMMAND ${TAVRIN_GZIP} -9nc ${TAVRIN_PACKAGING_DIR}/changelog > ${TAVRIN_GENERATED_DIR}/changelog.gz
  DEPENDS ${TAVRIN_PACKAGING_DIR}/changelog VERBATIM)
list(APPEND TAVRIN_COMPRESSED ${TAVRIN_GENERATED_DIR}/changelog.gz)
add_custom_target(tavrin_docs ALL DEPENDS ${TAVRIN_COMPRESSED})

install(FILES ${TAVRIN_GENERATED_DIR}/changelog.gz ${TAVRIN_PACKAGING_DIR}/copyright
  DESTINATION ${TAVRIN_DOC_DIR})
install(FILES ${TAVRIN_PACKAGING_DIR}/tavrin-cli.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tavrin-cli)
file(GLOB TAVRIN_EXAMPLES ${CMAKE_SOURCE_DIR}/examples/*.pad ${CMAKE_SOURCE_DIR}/examples/*.outline
  ${CMAKE_SOURCE_DIR}/examples/*.input)
install(FILES ${TAVRIN_EXAMPLES} DESTINATION ${TAVRIN_DOC_DIR}/examples)

# The desktop side: menu entry, file type, icons, software-centre entry.
if(TARGET tavrin)
  install(FILES ${CMAKE_SOURCE_DIR}/res/tavrin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${TAVRIN_PACKAGING_DIR}/tavrin-pad.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
    RENAME tavrin.xml)
  install(FILES ${TAVRIN_GENERATED_DIR}/${TAVRIN_APPSTREAM_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # Charts show the program's icon in file managers.
  set(TAVRIN_ICON ${CMAKE_SOURCE_DIR}/res/icons/tavrin.svg)
  set(TAVRIN_HICOLOR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${TAVRIN_ICON} DESTINATION ${TAVRIN_HICOLOR}/scalable/apps)
  install(FILES ${TAVRIN_ICON} DESTINATION ${TAVRIN_HICOLOR}/scalable/mimetypes
    RENAME application-x-tavrin-pad.svg)

  # Fixed-size icons are rendered from the SVG at build time, for desktops
  # and tools that do not read SVG.
  find_program(TAVRIN_RSVG_CONVERT rsvg-convert)
  if(TAVRIN_RSVG_CONVERT)
    set(TAVRIN_PNG_ICONS)
    foreach(size 16 24 32 48 64 128 256)
      set(png ${TAVRIN_GENERATED_DIR}/icons/${size}/tavrin.png)
      add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${TAVRIN_GENERATED_DIR}/icons/${size}
        COMMAND ${TAVRIN_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${TAVRIN_ICON}
        DEPENDS ${TAVRIN_ICON} VERBATIM)
      list(APPEND TAVRIN_PNG_ICONS ${png})
      install(FILES ${png} DESTINATION ${TAVRIN_HICOLOR}/${size}x${size}/apps)
      install(FILES ${png} DESTINATION ${TAVRIN_HICOLOR}/${size}x${size}/mimetypes
        RENAME application-x-tavrin-pad.png)
    endforeach()
    add_custom_target(tavrin_icons ALL DEPENDS ${TAVRIN_PNG_ICONS})
  else()
    message(WARNING "rsvg-convert (Debian package librsvg2-bin) not found: "
      "only the scalable icon will be installed")
  endif()
endif()

# The Debian package: tavrin_VERSION_ARCH.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VENDOR "The Tavrin developers")
set(CPACK_PACKAGE_CONTACT "${TAVRIN_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TAVRIN_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TAVRIN_WEB_URL}")
# The libraries come from dpkg-shlibdeps. The font is asked for by name at
# run time, which no tool can see; the Japanese texts need it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor and simulator for PAD (Problem Analysis Diagram) charts")
# CPack puts the summary in front of this as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tavrin is an editor and simulator for PAD charts, for classes that learn
to program. A program is drawn as a tree of boxes on vertical sequence
lines: simple process, two-way branch, pre-test and post-test loops, input
and output. Charts are saved as .pad files, run with their input and output
in a console window, translated into a C program, and printed.
.
The package also holds tavrin-cli, which runs, translates and draws charts
on the command line, for teachers who grade many charts and for scripts.")
include(CPack)
