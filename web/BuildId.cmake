# Writes the service worker with the build's identity: the version and a digest of every other
# file of the site, so that any change of the site names a new cache. Run as
#   cmake -DSITE=... -DVERSION=... -DTEMPLATE=... -P BuildId.cmake
file(GLOB files ${SITE}/*)
list(SORT files)
set(digests "")
foreach(file ${files})
    get_filename_component(name ${file} NAME)
    if(NOT name STREQUAL "service-worker.js")
        file(SHA256 ${file} digest)
        string(APPEND digests "${name} ${digest}\n")
    endif()
endforeach()
string(SHA256 digest "${digests}")
string(SUBSTRING ${digest} 0 12 digest)
set(BEZIER_BUILD_ID "${VERSION}-${digest}")
configure_file(${TEMPLATE} ${SITE}/service-worker.js @ONLY)
