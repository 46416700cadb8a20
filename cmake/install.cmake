# The installed program (the usual prefix layout) and its Debian package (scripts/package.sh).
include(GNUInstallDirs)

# An installed program finds its data folder from its own: <prefix>/bin -> <prefix>/share/velmor.
file(RELATIVE_PATH VELMOR_DATA_FROM_BINDIR "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_FULL_DATADIR}/velmor")
# The HTTP module lies in the program's own library folder: <prefix>/lib/.../velmor.
set(VELMOR_LIBDIR ${CMAKE_INSTALL_LIBDIR}/velmor)
file(RELATIVE_PATH VELMOR_LIB_FROM_BINDIR "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_FULL_LIBDIR}/velmor")
target_compile_definitions(velmor_core PRIVATE
    VELMOR_DATA_FROM_BINDIR="${VELMOR_DATA_FROM_BINDIR}"
    VELMOR_LIB_FROM_BINDIR="${VELMOR_LIB_FROM_BINDIR}")

set(VELMOR_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(VELMOR_GENERATED ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS velmorctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS velmor_http LIBRARY DESTINATION ${VELMOR_LIBDIR})
install(FILES ${VELMOR_PACKAGING}/bash-completion/velmorctl
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Manual pages and the package's change log, compressed as Debian keeps them.
set(VELMOR_COMPRESSED)
foreach(source man/velmor.1 man/velmorctl.1 deb/changelog)
    get_filename_component(name ${source} NAME)
    set(output ${VELMOR_GENERATED}/${name}.gz)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E copy ${VELMOR_PACKAGING}/${source} ${VELMOR_GENERATED}/${name}
        COMMAND gzip -9nf ${VELMOR_GENERATED}/${name}
        DEPENDS ${VELMOR_PACKAGING}/${source} VERBATIM)
    list(APPEND VELMOR_COMPRESSED ${output})
endforeach()
install(FILES ${VELMOR_GENERATED}/velmorctl.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${VELMOR_GENERATED}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velmor
        RENAME changelog.Debian.gz)
install(FILES ${VELMOR_PACKAGING}/deb/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velmor)
install(FILES ${VELMOR_PACKAGING}/deb/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME velmor)

# The system's side of a real modem: pppd's peers file (for the dial-up group only) and the hooks
# that hand the provider's name servers to systemd-resolved.
set(VELMOR_PPP_DIR ${CMAKE_INSTALL_FULL_SYSCONFDIR}/ppp)
install(FILES ${VELMOR_PACKAGING}/ppp/peers/velmor DESTINATION ${VELMOR_PPP_DIR}/peers
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ)
foreach(hook ip-up.d ip-down.d)
    install(PROGRAMS ${VELMOR_PACKAGING}/ppp/${hook}/velmor DESTINATION ${VELMOR_PPP_DIR}/${hook})
endforeach()
# A template for the user, not a rule in force: velmorctl modem prints it filled in.
install(FILES ${VELMOR_PACKAGING}/udev/77-velmor-modem.rules
        DESTINATION ${CMAKE_INSTALL_DATADIR}/velmor/udev)

if(VELMOR_HAVE_UI)
    install(TARGETS velmor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/velmor/help)
    install(FILES ${VELMOR_PACKAGING}/invalid.velmor.velmor.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${VELMOR_PACKAGING}/invalid.velmor.velmor.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    # The session bus starts the program when the desktop asks it for its window or an action.
    configure_file(${VELMOR_PACKAGING}/dbus-1/invalid.velmor.velmor.service.in
                   ${VELMOR_GENERATED}/invalid.velmor.velmor.service @ONLY)
    install(FILES ${VELMOR_GENERATED}/invalid.velmor.velmor.service
            DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/services)
    install(FILES ${VELMOR_GENERATED}/velmor.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

    # The program's icon in the desktop's theme: the drawing, and pictures of the usual sizes.
    set(icon ${CMAKE_SOURCE_DIR}/resources/icons/velmor.svg)
    set(hicolor ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    install(FILES ${icon} DESTINATION ${hicolor}/scalable/apps)
    find_program(RSVG_CONVERT rsvg-convert REQUIRED)
    set(VELMOR_PNG_ICONS)
    foreach(size 16 22 24 32 48 64 128 256)
        set(png ${VELMOR_GENERATED}/icons/${size}x${size}/velmor.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMOR_GENERATED}/icons/${size}x${size}
            COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${icon}
            DEPENDS ${icon} VERBATIM)
        list(APPEND VELMOR_PNG_ICONS ${png})
        install(FILES ${png} DESTINATION ${hicolor}/${size}x${size}/apps)
    endforeach()
endif()
add_custom_target(velmor_install_files ALL DEPENDS ${VELMOR_COMPRESSED} ${VELMOR_PNG_ICONS})

# The Debian package: velmor_<version>-<release>_<arch>.deb, its dependencies from the shared
# libraries the programs use. Built with a /usr prefix (scripts/package.sh).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dial-up Internet connection manager")
set(CPACK_PACKAGE_DESCRIPTION
    "Velmor dials a dial-up connection with its own ordered lists of phone\n"
    "numbers and logins until a connection is made, checks the connection and\n"
    "accounts for its time, traffic and money with tariffs. It redials, dials\n"
    "and hangs up on a schedule, starts programs and plays sounds on\n"
    "connecting, lives in the notification area, answers global hot keys,\n"
    "locks behind a password and keeps an event log. Its interface is in\n"
    "Russian. A simulated modem line lets it be tried without a modem.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velmor maintainers <maintainers@velmor.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://velmor.invalid/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# pppd for a real modem; xdg-open for the help pages and for launched files that are documents;
# Qt's own translations for the file dialog and the edit menus in Russian.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ppp, xdg-utils, qt6-translations-l10n")
configure_file(${VELMOR_PACKAGING}/deb/postinst.in ${VELMOR_GENERATED}/postinst @ONLY)
file(WRITE ${VELMOR_GENERATED}/conffiles
     "${VELMOR_PPP_DIR}/peers/velmor\n"
     "${VELMOR_PPP_DIR}/ip-up.d/velmor\n"
     "${VELMOR_PPP_DIR}/ip-down.d/velmor\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${VELMOR_GENERATED}/conffiles;${VELMOR_GENERATED}/postinst")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
