# Installation (cmake --install) and the Debian package (cpack -G DEB).
#
# The password helper goes beside the program, where the program looks for it;
# the XScreenSaver hack is a link to the program, so that the program still
# finds its helper and help page through its real path.

set(EMBERHALL_PAM_DIR "/etc/pam.d" CACHE STRING
  "Folder of the PAM service (PAM reads /etc/pam.d; a relative folder is taken below the prefix)")

install(TARGETS emberhall emberhall-auth RUNTIME DESTINATION bin)
install(FILES packaging/xscreensaver/emberhall.xml DESTINATION share/xscreensaver/config)
install(FILES packaging/applications/emberhall.desktop DESTINATION share/applications)
install(FILES packaging/applications/screensavers/emberhall.desktop DESTINATION share/applications/screensavers)
install(FILES packaging/man/emberhall.6 DESTINATION share/man/man6)
install(FILES packaging/pam.d/emberhall DESTINATION "${EMBERHALL_PAM_DIR}")

# Links, relative to where they are made, so that the tree can move (DESTDIR, packages).
install(CODE [[
  function(emberhall_install_link Target Link)
    set(path "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${Link}")
    get_filename_component(folder "${path}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}")
    message(STATUS "Installing: ${path} -> ${Target}")
    file(CREATE_LINK "${Target}" "${path}" SYMBOLIC)
  endfunction()
  emberhall_install_link(../../bin/emberhall libexec/xscreensaver/emberhall)
]])

# The help page, when the build made one beside the program: installed with the
# documentation and linked beside the program, where the Help button opens it.
install(CODE "set(EMBERHALL_HELP_PAGE \"$<TARGET_FILE_DIR:emberhall>/emberhall.html\")")
install(CODE [[
  if(EXISTS "${EMBERHALL_HELP_PAGE}")
    file(INSTALL "${EMBERHALL_HELP_PAGE}" DESTINATION "${CMAKE_INSTALL_PREFIX}/share/doc/emberhall")
    emberhall_install_link(../share/doc/emberhall/emberhall.html bin/emberhall.html)
  endif()
]])

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME emberhall)
set(CPACK_PACKAGE_VENDOR "Korvell Software")
set(CPACK_PACKAGE_CONTACT "Korvell Software")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fireplace screensaver in real-time 3D")
set(CPACK_PACKAGE_DESCRIPTION "A burning fireplace drawn with OpenGL: a firebox model, a flame simulated and
painted into a texture every frame, an optional clock, crackle sound and
frame-rate read-out, and a settings dialog with a live preview. It runs full
screen on its own, or as a hack of XScreenSaver, xsecurelock and the xfce4 and
MATE screensavers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)  # the PAM service goes to /etc, outside the prefix
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libGL and libGLU are loaded at run time, so the library scan does not see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libglu1-mesa, libpam-runtime")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri, fonts-liberation2, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver")
if(IS_ABSOLUTE "${EMBERHALL_PAM_DIR}")
  file(WRITE "${CMAKE_BINARY_DIR}/packaging/conffiles" "${EMBERHALL_PAM_DIR}/emberhall\n")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_BINARY_DIR}/packaging/conffiles")
endif()
include(CPack)
