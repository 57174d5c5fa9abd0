# The Debian package (`cpack -G DEB`), or on Windows an installer and a portable zip
# (`cpack`), in a configured build directory.
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "The Bezier Curves developers")
set(CPACK_PACKAGE_CONTACT "Bezier Curves developers <bezier@beziercurves.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for Bezier curves drawn by midpoint subdivision")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
    set(CPACK_GENERATOR NSIS ZIP)
    set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
    set(CPACK_PACKAGE_INSTALL_DIRECTORY "Bezier Curves")
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Bezier Curves")
    # The Start menu entry: the program at the top of the installed folder.
    set(CPACK_PACKAGE_EXECUTABLES bezier "Bezier Curves")
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
    # A 64-bit installer: it writes the 64-bit registry and Program Files, like the program.
    set(CPACK_NSIS_DEFINES "Target amd64-unicode")
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    set(CPACK_NSIS_DISPLAY_NAME "Bezier Curves")
    set(CPACK_NSIS_PACKAGE_NAME "Bezier Curves")
    set(CPACK_NSIS_INSTALLED_ICON_NAME bezier.exe)
    set(CPACK_NSIS_MUI_ICON ${WINDOWS_ICON})
    set(CPACK_NSIS_MUI_UNIICON ${WINDOWS_ICON})
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    set(CPACK_NSIS_CONTACT ${CPACK_PACKAGE_CONTACT})
else()
    set(CPACK_GENERATOR DEB)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The long description; CPack puts the summary above it.
set(CPACK_PACKAGE_DESCRIPTION "Bezier Curves is a small desktop editor for Bezier curves. Control points are
placed, moved and deleted with the mouse; the curve is drawn by repeated
midpoint (de Casteljau) subdivision to a chosen depth. The editor can show the
convex hull of the control points and the subdivision points, and it plots the
Bernstein basis polynomials for the current number of control points.")
# Directories the package creates get the usual permissions whatever the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
