# The installed layout (cmake --install build --prefix P):
#   P/lib/mavo-converter/        the program folder: executables, their libraries, Output.dll,
#                                the help page and Skin/. Nothing writes there; the program uses
#                                the user's configuration and cache folders when it is read-only.
#   P/bin/<command>              a relative link to the executable in the program folder
#   P/share/applications, icons/hicolor, metainfo, man/man1: what the desktop and man expect.
set(MAVO_PROGRAM_DIR lib/mavo-converter)
# The date of the release that PROJECT_VERSION names, for the AppStream metadata.
set(MAVO_RELEASE_DATE 2026-12-08)
set(MAVO_LINUX_ASSETS ${CMAKE_SOURCE_DIR}/assets/linux)

# Installs an executable target into the program folder and puts a command of the same name on
# the user's PATH. The executable finds its libraries and data beside itself ($ORIGIN and the
# resolved path of the link), so a link is all the command needs.
function(mavo_install_command target)
    install(TARGETS ${target} RUNTIME DESTINATION ${MAVO_PROGRAM_DIR})
    install(CODE "
        set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${target}\")
        message(STATUS \"Installing: \${link} -> ../${MAVO_PROGRAM_DIR}/${target}\")
        file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
        file(REMOVE \"\${link}\")
        file(CREATE_LINK \"../${MAVO_PROGRAM_DIR}/${target}\" \"\${link}\" SYMBOLIC)
        list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${link}\")")
endfunction()

# The program folder.
mavo_install_command(mavo-converter)
mavo_install_command(mavo-convert)
install(TARGETS winmsg Encoder PlayFileDll LIBRARY DESTINATION ${MAVO_PROGRAM_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/assets/Output.dll "${CMAKE_SOURCE_DIR}/assets/Help File.html"
        DESTINATION ${MAVO_PROGRAM_DIR})
install(DIRECTORY ${MAVO_BIN_DIR}/Skin DESTINATION ${MAVO_PROGRAM_DIR})
# The pictures of the user guide.
install(DIRECTORY ${MAVO_BIN_DIR}/help DESTINATION ${MAVO_PROGRAM_DIR})

# The desktop: menu entry ("Open with" for the clip kinds), icons, software-centre metadata.
install(FILES ${MAVO_LINUX_ASSETS}/mavo-converter.desktop DESTINATION share/applications)
if(TARGET icon_files)
    install(DIRECTORY ${MAVO_ICON_DIR}/ DESTINATION share/icons/hicolor)
endif()
set(metainfo org.mavo.videoconverter.metainfo.xml)
configure_file(${MAVO_LINUX_ASSETS}/${metainfo}.in ${CMAKE_BINARY_DIR}/share/${metainfo} @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/share/${metainfo} DESTINATION share/metainfo)

# Manual pages, compressed as Debian installs them (gzip -n keeps the output the same).
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(man_pages)
foreach(page mavo-convert.1 mavo-converter.1)
    configure_file(${MAVO_LINUX_ASSETS}/${page} ${CMAKE_BINARY_DIR}/share/man/${page} @ONLY)
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/share/man/${page}.gz
        COMMAND ${GZIP_EXECUTABLE} -9nf -k ${CMAKE_BINARY_DIR}/share/man/${page}
        DEPENDS ${CMAKE_BINARY_DIR}/share/man/${page}
        VERBATIM)
    list(APPEND man_pages ${CMAKE_BINARY_DIR}/share/man/${page}.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION share/man/man1)

# The machine-readable copyright file (the license is GPL-2.0-or-later, LICENSE at the top of
# the sources) and the changelog, where Debian expects them.
configure_file(${MAVO_LINUX_ASSETS}/copyright ${CMAKE_BINARY_DIR}/share/doc/copyright @ONLY)
configure_file(${MAVO_LINUX_ASSETS}/changelog ${CMAKE_BINARY_DIR}/share/doc/changelog @ONLY)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/share/doc/changelog.gz
    COMMAND ${GZIP_EXECUTABLE} -9nf -k ${CMAKE_BINARY_DIR}/share/doc/changelog
    DEPENDS ${CMAKE_BINARY_DIR}/share/doc/changelog
    VERBATIM)
add_custom_target(package_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/share/doc/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/share/doc/copyright ${CMAKE_BINARY_DIR}/share/doc/changelog.gz
        DESTINATION share/doc/mavo-converter)
