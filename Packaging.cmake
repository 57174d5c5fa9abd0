# The Debian package: `cpack -G DEB` in a configured build directory.
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "The Bezier Curves developers")
set(CPACK_PACKAGE_CONTACT "Bezier Curves developers <bezier@beziercurves.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for Bezier curves drawn by midpoint subdivision")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
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
