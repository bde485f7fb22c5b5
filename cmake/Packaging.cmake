# What a desktop system expects beside the programs (manual pages, shell completion,
# icons at the usual sizes, AppStream metadata, the documentation) and the Debian
# package that carries it all: `./dev package` configures with the prefix /usr and runs
# CPack in the build folder. src/app and src/tools install the programs, the desktop
# entry, the MIME type, the scalable icon and the thumbnailer; generators/ the samples.
include(GNUInstallDirs)

set(VORLA_SHARE ${PROJECT_SOURCE_DIR}/share)
set(generated ${PROJECT_BINARY_DIR}/share)

# Manual pages: written by hand, configured with the version and the install paths, and
# gzipped as Debian ships them (man reads either). tests/packaging checks them against
# --help.
find_program(VORLA_GZIP gzip REQUIRED)
set(VORLA_MAN_PAGES vorla-tool)
if(VORLA_BUILD_GUI)
  list(APPEND VORLA_MAN_PAGES vorla)
endif()
set(man_outputs)
foreach(page IN LISTS VORLA_MAN_PAGES)
  configure_file(${VORLA_SHARE}/man/${page}.1.in ${generated}/man/${page}.1 @ONLY)
  add_custom_command(
    OUTPUT ${generated}/man/${page}.1.gz
    COMMAND ${VORLA_GZIP} -9 -n -k -f ${generated}/man/${page}.1
    DEPENDS ${generated}/man/${page}.1
    VERBATIM)
  list(APPEND man_outputs ${generated}/man/${page}.1.gz)
  install(FILES ${generated}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(vorla_man_pages ALL DEPENDS ${man_outputs})

# Bash completion, loaded on demand by bash-completion under each program's name.
set(completions ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
if(VORLA_BUILD_GUI)
  install(FILES ${VORLA_SHARE}/bash-completion/vorla DESTINATION ${completions})
  file(CREATE_LINK vorla ${generated}/vorla-tool-completion SYMBOLIC)
  install(FILES ${generated}/vorla-tool-completion DESTINATION ${completions}
          RENAME vorla-tool)
else()
  install(FILES ${VORLA_SHARE}/bash-completion/vorla DESTINATION ${completions}
          RENAME vorla-tool)
endif()

# Documentation: the README with its picture (at the path the README links), the
# copyright notice and the release history, gzipped as Debian wants it.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${VORLA_SHARE}/doc/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/doc/editor.png DESTINATION ${CMAKE_INSTALL_DOCDIR}/doc)
add_custom_command(
  OUTPUT ${generated}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${VORLA_SHARE}/doc/changelog ${generated}/changelog
  COMMAND ${VORLA_GZIP} -9 -n -f ${generated}/changelog
  DEPENDS ${VORLA_SHARE}/doc/changelog
  VERBATIM)
add_custom_target(vorla_changelog ALL DEPENDS ${generated}/changelog.gz)
install(FILES ${generated}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(VORLA_BUILD_GUI)
  # Icons at the sizes desktops and file managers look for, drawn from the one SVG by
  # librsvg's rsvg-convert (Debian package librsvg2-bin): the program and its documents.
  find_program(VORLA_RSVG_CONVERT rsvg-convert)
  if(NOT VORLA_RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert not found (Debian package librsvg2-bin)")
  endif()
  set(svg ${PROJECT_SOURCE_DIR}/src/app/resources/vorla.svg)
  set(icon_outputs)
  foreach(size 16 22 24 32 48 64 128 256)
    set(png ${generated}/icons/${size}/vorla.png)
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}/icons/${size}
      COMMAND ${VORLA_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${svg}
      DEPENDS ${svg}
      COMMENT "Drawing the ${size}x${size} icon"
      VERBATIM)
    list(APPEND icon_outputs ${png})
    set(theme ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size})
    install(FILES ${png} DESTINATION ${theme}/apps)
    install(FILES ${png} DESTINATION ${theme}/mimetypes RENAME application-x-vorla.png)
  endforeach()
  add_custom_target(vorla_icons ALL DEPENDS ${icon_outputs})

  # What software centres show: name, description, screenshot, the type it opens.
  install(FILES ${VORLA_SHARE}/metainfo/org.example.vorla.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# The Debian package. Its dependencies are what dpkg-shlibdeps finds the programs linked
# against, plus what they load at run time without linking it: Mesa's EGL and OpenGL
# drivers (the window and the headless picture), libGL.so.1 (libepoxy opens it to find
# the window's GLX context), Qt's SVG plugins (the window icon), its
# Russian translation (the standard dialog buttons) and Liberation Sans (the text drawn
# in the view, found through fontconfig as "Arial"). The desktop, MIME and icon caches
# are refreshed by the dpkg triggers of the packages that own them: no maintainer script.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorla)
set(CPACK_PACKAGE_VENDOR "Vel's")
set(CPACK_PACKAGE_CONTACT "Vel's <vorla@vorla.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor of constructions of cube blocks")
set(CPACK_PACKAGE_DESCRIPTION
    "ТОР-ВИН is an editor and viewer for constructions built from identical cube
blocks that hang on one another face to face and can each be twisted about
their joint. Blocks are added, deleted, painted and twisted with the mouse,
the construction is looked at from a freely steered camera, saved as a .vvl
file, and shared as a picture or as a 3D mesh (glTF, OBJ, STL, 3MF, PLY).
The editor's texts are Russian.

The package also holds vorla-tool, which inspects, checks, creates and
exports constructions on the command line, a thumbnailer for file managers,
and sample constructions.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VORLA_MAKER_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libegl-mesa0, libgl1, libgl1-mesa-dri, libglx-mesa0, libqt6svg6, qt6-translations-l10n, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# The install runs with the configured prefix under DESTDIR, so that what names an
# installed path (the thumbnailer, the manual pages) names /usr, not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
